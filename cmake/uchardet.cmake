# The guess of the set of records that are not UTF-8, made with uchardet where
# the build machine has it (Debian: libuchardet-dev). Without it a run still
# says that its records are not UTF-8, and proposes no set.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(VIGN_UCHARDET QUIET IMPORTED_TARGET uchardet)
endif()

if(VIGN_UCHARDET_FOUND)
  target_compile_definitions(vignlib PRIVATE VIGN_UCHARDET)
  target_link_libraries(vignlib PRIVATE PkgConfig::VIGN_UCHARDET)
else()
  message(NOTICE "vign : uchardet introuvable, jeu des donnees non devine")
endif()
