# PDF and PNG print files, drawn with cairo and pango where the build machine
# has them (Debian: libcairo2-dev libpango1.0-dev). Without them vign is built
# all the same, and a print file named .pdf or .png is refused in words.
#
# Included once vignlib is defined. Both versions of the sink are taken out of
# its sources, however they got in, and the one that applies is put back.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(VIGN_PDF QUIET IMPORTED_TARGET cairo pangocairo)
endif()

get_target_property(vign_sources_lib vignlib SOURCES)
list(FILTER vign_sources_lib EXCLUDE REGEX "(^|/)src/engine/pdf(_absent)?\\.cpp$")
set_property(TARGET vignlib PROPERTY SOURCES ${vign_sources_lib})

if(VIGN_PDF_FOUND)
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/engine/pdf.cpp)
  target_link_libraries(vignlib PRIVATE PkgConfig::VIGN_PDF)
else()
  message(NOTICE "vign : cairo/pango introuvables, sortie PDF non construite")
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/engine/pdf_absent.cpp)
endif()
