# How ctest runs the cross-built tests under Wine (tests/win and tests/gui).
#
# Every test shares one Wine prefix inside the build tree; scripts/test-windows creates it and
# keeps a wineserver running so that each test starts in well under a second.
#
# Wine runs as a Japanese system, the one the program is made for: code page 932 is the ANSI code
# page, so the "A" functions take our bytes as they stand. The locale is compiled into the build
# tree, as the build machine need not have it; without it Wine could not name files in Japanese.
set(TG_WINE_LOCALE_DIR ${CMAKE_BINARY_DIR}/locale)
find_program(TG_LOCALEDEF localedef REQUIRED)
add_custom_command(
    OUTPUT ${TG_WINE_LOCALE_DIR}/ja_JP.UTF-8/LC_CTYPE
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TG_WINE_LOCALE_DIR}
    COMMAND ${TG_LOCALEDEF} -i ja_JP -f UTF-8 ${TG_WINE_LOCALE_DIR}/ja_JP.UTF-8
    COMMENT "Compiling the ja_JP.UTF-8 locale for Wine"
    VERBATIM)
add_custom_target(tg_wine_locale ALL DEPENDS ${TG_WINE_LOCALE_DIR}/ja_JP.UTF-8/LC_CTYPE)

set(TG_WINE_ENVIRONMENT
    "LOCPATH=${TG_WINE_LOCALE_DIR}"
    "LC_ALL=ja_JP.UTF-8"
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    "DISPLAY=")

# The GUI suites also find Qt's DLLs and the mingw runtime DLLs they share on Wine's PATH (a ';'
# list, escaped here), and Qt's settings through Wine, which hands QT_* variables of the build
# machine to no Windows program but takes them as WINEQT_*. Qt's test log goes to the debugger
# when a program has no console window (always so under Wine) unless it is told otherwise.
include(${PROJECT_SOURCE_DIR}/cmake/WindowsRuntime.cmake)
set(winePath "Z:${TG_QT_WINDOWS_PREFIX}/bin")
foreach(dll IN LISTS TG_MINGW_RUNTIME_DLLS)
    get_filename_component(dir ${dll} DIRECTORY)
    string(APPEND winePath "\\;Z:${dir}")
endforeach()
find_path(TG_IPA_FONT_DIR ipag.ttf PATHS /usr/share/fonts/opentype/ipafont-gothic
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(TG_WINE_QT_ENVIRONMENT ${TG_WINE_ENVIRONMENT}
    "WINEPATH=${winePath}"
    "WINEQT_QPA_PLATFORM=offscreen"
    "WINEQT_QPA_FONTDIR=Z:${TG_IPA_FONT_DIR}"
    "WINEQT_FORCE_STDERR_LOGGING=1")
