# Installation (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS tc24 tc24-cli tc24-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# tc24-cli's printed report, loaded by the program only when it writes one.
install(TARGETS tc24-report-pdf LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/tc24)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tc24.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tc24.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/protocol.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME tc24)
set(CPACK_PACKAGE_VENDOR "tc24")
set(CPACK_PACKAGE_CONTACT "tc24 maintainers <maintainers@tc24.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "commissioning tool for 24-channel MODBUS RTU temperature modules")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads temperatures, addresses and sensor serial numbers of a 24-channel temperature\n\
module over a serial line, shows the protocol as hex, records CSV and draws trends.\n\
Includes tc24-cli, the module's requests with read-back verification for scripts and\n\
production lines, and tc24-sim, a simulator of the module on a pseudo-terminal.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# The shared libraries come from dpkg-shlibdeps; the rest is loaded at run time: the X11
# platform plugin, the font with the window's Chinese texts and Qt's own texts in Chinese
# (qtbase_zh_CN.qm). The window's English is built into the program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
