# Where `cmake --install` puts the program, and the Debian package CPack makes of it
# (scripts/package). Included from the top of the tree, after the program's target exists.
include(GNUInstallDirs)

# The Linux stand-ins for the Windows network commands go here; the program looks for them
# relative to its own place (bin/../libexec/tginfo).
set(TG_INSTALL_STANDINS_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tginfo)
# The help file of an installed program: bin/../share/tginfo/<program name>.chm.
set(TG_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tginfo)

if(WIN32)
    # The zip's folder holds the program with everything beside it, as windeployqt lays it out.
    include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
    return()
endif()

install(TARGETS tginfo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tginfo_help)
    install(FILES ${TG_HELP_FILE} DESTINATION ${TG_INSTALL_DATA_DIR})
endif()

set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
install(FILES ${desktop}/tginfo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop}/com.example.tginfo.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${desktop}/icons/tginfo-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tginfo.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/art/icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME tginfo.svg)

set(CPACK_PACKAGE_NAME tginfo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR TIDEGAUGE-INFO)
set(CPACK_PACKAGE_CONTACT "TIDEGAUGE-INFO <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Network and system information in one window")
set(CPACK_PACKAGE_DESCRIPTION
    "TIDEGAUGE-INFO runs the network commands ipconfig, arp, route, ping, tracert, netstat,\n"
    "nslookup, net and nbtstat from one window, shows their output live, and adds a report on\n"
    "the operating system, the computer, its memory and its network adapters. All views'\n"
    "outputs form one document that can be saved, opened, printed and previewed.\n"
    "The interface is Japanese.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.com/tginfo/")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the commands the views run, the fonts of the Japanese
# interface, Qt's Japanese texts and the help viewer are recommended, so that a minimal install
# still starts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "iputils-ping, traceroute | iputils-tracepath, iproute2, fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n, xdg-utils, xchm")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "smbclient, samba-common-bin")
include(CPack)
