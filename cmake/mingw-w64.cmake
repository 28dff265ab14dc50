# Cross-builds the whole program for 64-bit Windows; the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix threads flavour: std::thread and std::mutex need it.
set(TG_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TG_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TG_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TG_MINGW_PREFIX}-windres)

# Qt for Windows is built once per machine from Debian's source (scripts/build-qt-windows); its
# moc, rcc and uic are the build machine's own Qt of the same version. The script names the
# prefix of the current options each time, so a cache of other options is never taken.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TG_BUILD_GUI)
if(NOT DEFINED TG_BUILD_GUI OR TG_BUILD_GUI)
    execute_process(
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/build-qt-windows --prefix
        OUTPUT_VARIABLE qtPrefix
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE qtMissing)
    if(qtMissing)
        message(FATAL_ERROR "Qt for Windows is missing: build it with scripts/build-qt-windows")
    endif()
    set(TG_QT_WINDOWS_PREFIX ${qtPrefix} CACHE PATH "Qt for Windows (scripts/build-qt-windows)"
        FORCE)
endif()
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

set(CMAKE_FIND_ROOT_PATH /usr/${TG_MINGW_PREFIX} ${TG_QT_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# COM and WMI for the platform layer.
set(CMAKE_CXX_STANDARD_LIBRARIES "-lole32 -loleaut32 -lwbemuuid -luuid ${CMAKE_CXX_STANDARD_LIBRARIES_INIT}")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
