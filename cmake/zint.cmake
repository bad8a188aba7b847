# Barcodes and 2D codes on the labels, encoded by libzint where the build
# machine has it (Debian: libzint-dev, which ships no pkg-config file). Without
# it vign is built all the same, and every code is refused in words.
#
# Included after cmake/pdf.cmake: the drawing of codes needs cairo alone, and
# is built wherever the PDF output is, so that the PDF output links with or
# without libzint.
find_path(VIGN_ZINT_INCLUDE zint.h)
find_library(VIGN_ZINT_LIBRARY zint)

get_target_property(vign_sources_lib vignlib SOURCES)
list(FILTER vign_sources_lib EXCLUDE REGEX "(^|/)src/engine/(encodeur(_absent)?|dessin_codes)\\.cpp$")
set_property(TARGET vignlib PROPERTY SOURCES ${vign_sources_lib})

if(VIGN_ZINT_INCLUDE AND VIGN_ZINT_LIBRARY)
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/engine/encodeur.cpp)
  target_include_directories(vignlib PRIVATE ${VIGN_ZINT_INCLUDE})
  target_link_libraries(vignlib PRIVATE ${VIGN_ZINT_LIBRARY})
else()
  message(NOTICE "vign : libzint introuvable (paquet libzint-dev), codes-barres non construits")
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/engine/encodeur_absent.cpp)
endif()
if(VIGN_PDF_FOUND)
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/engine/dessin_codes.cpp)
endif()
