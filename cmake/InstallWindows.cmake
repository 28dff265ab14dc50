# The zip a Windows user unpacks and runs (scripts/test-windows makes it with `cpack`): tginfo.exe
# with what windeployqt would put beside it, the help file when the build made one, and a
# README.txt. Included from cmake/Install.cmake.
include(${CMAKE_CURRENT_LIST_DIR}/WindowsRuntime.cmake)

install(TARGETS tginfo tginfoc RUNTIME DESTINATION .)
install(FILES
        $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        $<TARGET_FILE:Qt6::PrintSupport> ${TG_MINGW_RUNTIME_DLLS}
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> $<TARGET_FILE:Qt6::QGifPlugin>
              $<TARGET_FILE:Qt6::QJpegPlugin>
        DESTINATION imageformats)

# Qt's own Japanese texts; the .qm files are the same on every system, so the build machine's
# (Debian's qt6-translations-l10n) serve.
find_file(TG_QTBASE_JA_QM qtbase_ja.qm PATHS /usr/share/qt6/translations NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
install(FILES ${TG_QTBASE_JA_QM} DESTINATION translations)

if(TARGET tginfo_help)
    install(FILES ${TG_HELP_FILE} DESTINATION .)
endif()
# UTF-8 with a byte-order mark and CR LF: every Notepad reads it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)

# A stripped install (cpack's, or `cmake --install --strip`) strips the DLLs too: Debian's mingw
# runtime and Qt keep symbols a user's machine has no use for.
install(CODE "set(tgStrip \"${CMAKE_STRIP}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
        file(GLOB_RECURSE dlls "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/*.dll")
        foreach(dll IN LISTS dlls)
            execute_process(COMMAND "${tgStrip}" --strip-unneeded "${dll}"
                            COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()
]])

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tginfo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tginfo-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
