# Installation and the Debian package.
#
# `cmake --install` lays out the program, its manual page and the example files
# (catalogue, data, settings) the way a user finds them on the system:
#   bin/vign, share/man/man1/vign.1, share/vign/examples/*.
# `cpack -G DEB` from the build tree makes a Debian package of the same files
# under /usr.
include(GNUInstallDirs)

install(TARGETS vign RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/vign.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The README's run command prints into examples/: a print file left there by a
# try-out is not an example.
if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/examples)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/vign/examples
          PATTERN "*.prn" EXCLUDE PATTERN "*.pdf" EXCLUDE PATTERN "*.png" EXCLUDE)
endif()

set(CPACK_PACKAGE_NAME vign)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "L'equipe vign")
set(CPACK_PACKAGE_CONTACT "L'equipe vign")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "L'equipe vign")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# CPack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "vign compose des planches d'etiquettes (plusieurs de front, plusieurs
rangees par page) dans un fichier d'impression en texte brut, avec les
chaines de commande de l'imprimante autour des pages et des champs choisis.
Le texte vient d'un fichier delimite, d'un fichier a champs fixes ou de
l'ecran. Il s'utilise en plein ecran dans un terminal, ou sans dialogue
a partir d'un fichier de parametres (option -l).")
# The library dependencies come from the binary itself when the Debian tools
# are there to read them; otherwise name the ones it is linked against here.
find_program(VIGN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VIGN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
elseif(CURSES_LIBRARIES MATCHES "ncursesw")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libncursesw6, libtinfo6")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libncurses6, libtinfo6")
endif()

include(CPack)
