# Fails when a folder's C++ files include from a folder of its own layer or above it, the rule of
# docs/architecture.md. Run by ctest as the test "layers":
#   cmake -DTG_SOURCE_DIR=<tree> -P cmake/CheckLayers.cmake
#
# A folder may include from itself and from folders of a lower layer only. A folder that holds
# C++ files but has no layer here fails the check until it is given one.
#
# The headers of the operating system's own APIs (POSIX, Linux, Win32) are included under
# platform/ only, behind its interfaces. tests/ and bench/ may include them too: they set up and
# observe what the program does (loopback servers, child processes, resident memory), and ship in
# no program.

set(layers
    text=0
    platform=1 resources=1 ui=1 netcmd=2
    commands=2 monitor=2
    sysinfo=3 documents=3
    app=4
    bench=5 tests=5)
set(os_header_folders platform bench tests)
# The OS APIs' header folders and headers (regular expressions on the lower-case name inside
# #include <...>): POSIX and Linux, then Win32.
set(os_header_dirs sys netinet netinet6 netpacket arpa linux net asm asm-generic bits gnu)
set(os_headers
    iconv spawn ifaddrs unistd fcntl signal poll resolv netdb pwd grp fnmatch dirent dlfcn pthread
    termios glob wordexp syslog sched semaphore langinfo utmpx? paths err mntent shadow malloc ftw
    libgen strings mqueue aio
    win[a-z0-9_]* ws2[a-z0-9]* shlobj[a-z_]* shellapi shlwapi objbase ole[a-z0-9]* wbem[a-z]*
    comdef comutil psapi tlhelp32 iphlpapi icmpapi lm[a-z]* io direct process conio knownfolders
    propvarutil propkey userenv dbghelp commdlg commctrl mmsystem)
list(JOIN os_header_dirs "|" dirs)
list(JOIN os_headers "|" names)
set(os_header_regex "^(${dirs})/|^(${names})\\.h$")

cmake_minimum_required(VERSION 3.25)

if(NOT TG_SOURCE_DIR)
    message(FATAL_ERROR "Give the tree: cmake -DTG_SOURCE_DIR=<tree> -P CheckLayers.cmake")
endif()

foreach(entry IN LISTS layers)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 folder)
    list(GET pair 1 level)
    set(level_${folder} ${level})
endforeach()

file(GLOB children LIST_DIRECTORIES true RELATIVE "${TG_SOURCE_DIR}" "${TG_SOURCE_DIR}/*")
set(folders)
foreach(child IN LISTS children)
    if(IS_DIRECTORY "${TG_SOURCE_DIR}/${child}" AND NOT child MATCHES "^(\\.|build|out$)")
        list(APPEND folders ${child})
    endif()
endforeach()

set(faults)
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE sources "${TG_SOURCE_DIR}/${folder}/*.h" "${TG_SOURCE_DIR}/${folder}/*.cpp")
    if(NOT sources)
        continue()
    endif()
    if(NOT DEFINED level_${folder})
        list(APPEND faults "${folder}/ holds C++ files but has no layer in cmake/CheckLayers.cmake")
        continue()
    endif()
    foreach(source IN LISTS sources)
        file(RELATIVE_PATH shown "${TG_SOURCE_DIR}" "${source}")
        if(NOT folder IN_LIST os_header_folders)
            file(STRINGS "${source}" systemIncludes REGEX "^[ \t]*#[ \t]*include[ \t]*<[^>]+>")
            foreach(line IN LISTS systemIncludes)
                string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>.*" "\\1" header
                                     "${line}")
                string(TOLOWER "${header}" header)
                if(header MATCHES "${os_header_regex}")
                    string(STRIP "${line}" line)
                    list(APPEND faults "${shown}: ${line} (OS headers belong under platform/)")
                endif()
            endforeach()
        endif()
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*" "\\1" target "${line}")
            if(target STREQUAL folder OR NOT target IN_LIST folders)
                continue()
            endif()
            if(NOT DEFINED level_${target})
                list(APPEND faults "${shown} includes ${target}/, which has no layer")
            elseif(NOT level_${target} LESS level_${folder})
                string(STRIP "${line}" line)
                list(APPEND faults "${shown}: ${line} (${target}/ is not below ${folder}/)")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes against the layers:\n  ${text}")
endif()
message(STATUS "Every include points down the layers")
