# Installation and the Debian package.
install(TARGETS vign RUNTIME DESTINATION bin)
