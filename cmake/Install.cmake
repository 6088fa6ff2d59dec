# What `cmake --install` puts where, and the Debian package (tools/package.sh).
# A program installed with the server is one more word in this list.
set(HVN_INSTALLED_PROGRAMS hvnserver hvn-switcher-sim hvn-logitek-console)

include(GNUInstallDirs)

# The service's application folder and its settings; the unit, the man page
# and the maintainer scripts name them.
set(HVN_STATE_DIR /var/lib/hvnserver)
set(HVN_DEFAULTS_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default/hvnserver)

install(TARGETS ${HVN_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian installs man pages compressed.
set(HVN_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/hvnserver.1.gz)
add_custom_command(OUTPUT ${HVN_MAN_PAGE}
                   COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/docs/hvnserver.1 > ${HVN_MAN_PAGE}
                   DEPENDS docs/hvnserver.1)
add_custom_target(hvnserver-man ALL DEPENDS ${HVN_MAN_PAGE})
install(FILES ${HVN_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Everything the installation takes, and nothing else (not the test suite).
add_custom_target(hvn-installed)
add_dependencies(hvn-installed ${HVN_INSTALLED_PROGRAMS} hvnserver-man)

configure_file(dist/hvnserver.service.in hvnserver.service @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hvnserver.service DESTINATION lib/systemd/system)
install(FILES dist/hvnserver.default DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default RENAME hvnserver)
install(FILES dist/hvnserver.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/hvnserver.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The window has the help page built in; this copy is for reading elsewhere.
install(FILES src/ui/help/Contents.html DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME help.html)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hvnserver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "server sharing one audio routing switcher with network clients")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Owns the serial link to a Vela, Orion or Draco routing switcher and shares it\n"
       "with Helm control software and soft panels, Zolt consoles and Logitek\n"
       "consoles over TCP. Runs with a window or as the systemd service hvnserver.")
set(CPACK_PACKAGE_CONTACT "HVN server maintainers <hvnserver@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The Qt runtime libraries come from the programs' own links; adduser makes
# the service's user.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
# The package installs where the unit says the program is.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
foreach(script postinst prerm postrm conffiles)
  configure_file(dist/debian/${script}.in debian/${script} @ONLY)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
