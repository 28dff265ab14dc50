# Cross-builds the core and the Win32 platform layer for 64-bit Windows; the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix threads flavour: std::thread and std::mutex need it.
set(TG_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TG_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TG_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TG_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TG_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables carry their runtime (libgcc, libstdc++, winpthread), so Wine needs no DLL paths.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# COM and WMI for the platform layer.
set(CMAKE_CXX_STANDARD_LIBRARIES "-lole32 -loleaut32 -lwbemuuid -luuid ${CMAKE_CXX_STANDARD_LIBRARIES_INIT}")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
