# The sheets of the trade, read from the label template database in XML with
# libxml2 where the build machine has it (Debian: libxml2-dev; the database
# itself: glabels-data). Without it vign is built all the same, and
# --planches says why it lists nothing.
#
# Included once vignlib is defined, as pdf.cmake is: both versions of the
# reader are taken out of its sources and the one that applies is put back.
find_package(LibXml2 QUIET)

get_target_property(vign_sources_xml vignlib SOURCES)
list(FILTER vign_sources_xml EXCLUDE REGEX "(^|/)src/formats/planches_xml(_absent)?\\.cpp$")
set_property(TARGET vignlib PROPERTY SOURCES ${vign_sources_xml})

if(LibXml2_FOUND)
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/formats/planches_xml.cpp)
  target_link_libraries(vignlib PRIVATE LibXml2::LibXml2)
else()
  message(NOTICE "vign : libxml2 introuvable, planches du commerce non lues (paquets libxml2-dev et glabels-data)")
  target_sources(vignlib PRIVATE ${PROJECT_SOURCE_DIR}/src/formats/planches_xml_absent.cpp)
endif()
