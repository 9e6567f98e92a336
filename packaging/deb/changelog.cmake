# Run by CPack in the staging folder, before the package is made: Debian's
# changelog for the version being packed, compressed without a timestamp.
set(version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
set(doc "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/sonterra")
configure_file("${CPACK_SONTERRA_CHANGELOG}" "${doc}/changelog.Debian" @ONLY)
execute_process(COMMAND gzip -9nf "${doc}/changelog.Debian" COMMAND_ERROR_IS_FATAL ANY)
