# Desktop integration and the Debian package.
#
# Under the install prefix: the desktop entry, the icon and the AppStream
# metainfo where desktops and software centres look for them, and the bundled
# board's demo accounts in share/zkt/, where an installed zkt-board finds them
# (bin/../share/zkt/accounts.txt).

include(GNUInstallDirs)

# The desktop entry, the metainfo and the component all carry this identifier.
set(ZKT_APP_ID "io.github.zkt.zkt" CACHE STRING "Reverse-DNS identifier of the desktop application")

set(ZKT_METAINFO ${CMAKE_BINARY_DIR}/packaging/${ZKT_APP_ID}.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/packaging/zkt.metainfo.xml.in ${ZKT_METAINFO} @ONLY)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/zkt.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${ZKT_APP_ID}.desktop)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zkt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ZKT_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# zkt-board looks for share/zkt beside its own bin/, whatever the data folder.
install(FILES ${CMAKE_SOURCE_DIR}/tools/board/accounts.txt DESTINATION share/zkt)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zkt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZKT developers")
set(CPACK_PACKAGE_CONTACT "ZKT developers <zkt@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chat client for Japanese text-mode bulletin boards")
set(CPACK_PACKAGE_DESCRIPTION
    "ZKT connects to a text-mode bulletin board over a telnet-style TCP\n"
    "connection with Shift_JIS text, logs in for the user, walks the board's\n"
    "menus into the chat room and out again on function keys, and shows the\n"
    "chat room's conversation in a view of its own. The bundled board\n"
    "zkt-board lets one try the client without a network.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from the linked binaries; the fonts that the default faces resolve
# to and Qt's Japanese translations are no library, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")

include(CPack)
