# The Debian package, by CPack's DEB generator: sonterra_<version>-<release>_amd64.deb.
# Its runtime dependencies are computed from the binaries (dpkg-shlibdeps);
# the maintainer scripts' groupadd is added by hand.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonterra)
set(CPACK_PACKAGE_VENDOR Tivra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "school bell scheduler with spoken time")
# Below the summary; CPack indents it and writes the blank line as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Sonterra keeps, for each weekday, a list of times and the sound to play at
each, and can speak the time after a bell. Once activated it waits in the
notification area and starts again at each logon.

The program is root's; the one shared schedule is kept in
${SONTERRA_SHARED_FOLDER}, which the ${SONTERRA_GROUP} group may change: add
each operator with gpasswd -a NAME ${SONTERRA_GROUP}.")
set(CPACK_PACKAGE_CONTACT "Tivra <suporte@tivra.example>")
# An upgrade of the same version raises it (cpack -D CPACK_DEBIAN_PACKAGE_RELEASE=2).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tivra.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# passwd: the maintainer scripts' groupadd. Qt's Portuguese texts come with the
# package itself (one catalogue), not with every Qt translation.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "passwd")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(scripts ${CMAKE_CURRENT_BINARY_DIR}/deb)
foreach(script postinst prerm postrm)
  configure_file(deb/${script}.in ${scripts}/${script} @ONLY)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${scripts}/${script})
endforeach()
# The changelog names the package's own version: made when it is packed, so
# that cpack -D CPACK_DEBIAN_PACKAGE_RELEASE=N makes an upgrade of it.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/deb/changelog.cmake)
set(CPACK_SONTERRA_CHANGELOG ${CMAKE_CURRENT_SOURCE_DIR}/deb/changelog.in)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
