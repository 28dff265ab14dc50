# The layers check against small trees of one file each: what it must refuse and what it must let
# pass. Run by ctest as "layers_rules":
#   cmake -DTG_SOURCE_DIR=<tree> -DTG_SCRATCH=<folder> -P tests/layers/CheckLayersTest.cmake

# file | its include | fail or pass
set(cases
    "text/Codec.cpp|#include <iconv.h>|fail"
    "app/Main.cpp|#  include <Windows.h>|fail"
    "netcmd/Run.cpp|#include <arpa/inet.h>|fail"
    "netcmd/NetState.cpp|#include <linux/rtnetlink.h>|fail"
    "commands/Start.h|#include <spawn.h>|fail"
    "ui/Pane.cpp|#include <sys/wait.h>|fail"
    "sysinfo/Probe.cpp|#include <ifaddrs.h>|fail"
    "documents/Save.cpp|#include <unistd.h>|fail"
    "text/Codec.cpp|#include \"platform/Process.h\"|fail"
    "netcmd/Run.cpp|#include \"commands/Catalogue.h\"|fail"
    "platform/posix/Run.cpp|#include <spawn.h>|pass"
    "platform/win32/Codec.cpp|#include <windows.h>|pass"
    "tests/unit/Server.cpp|#include <netinet/in.h>|pass"
    "bench/Memory.cpp|#include <unistd.h>|pass"
    "text/File.cpp|#include <system_error>|pass"
    "app/Main.cpp|#include <csignal>|pass"
    "ui/Pane.cpp|#include <QWindow>|pass"
    "netcmd/Run.cpp|#include \"platform/posix/Addresses.h\"|pass")

set(failures)
set(n 0)
foreach(entry IN LISTS cases)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 file)
    list(GET fields 1 include)
    list(GET fields 2 expected)
    math(EXPR n "${n} + 1")
    set(tree "${TG_SCRATCH}/case${n}")
    file(REMOVE_RECURSE "${tree}")
    file(WRITE "${tree}/${file}" "${include}\n")
    # An include of ours names a file that is there.
    if(include MATCHES "\"([^\"]+)\"")
        file(WRITE "${tree}/${CMAKE_MATCH_1}" "")
    endif()
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DTG_SOURCE_DIR=${tree}
                -P ${TG_SOURCE_DIR}/cmake/CheckLayers.cmake
        RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(result EQUAL 0)
        set(got pass)
    else()
        set(got fail)
    endif()
    if(NOT got STREQUAL expected)
        list(APPEND failures "${file}: ${include} should ${expected}, did ${got}")
    endif()
endforeach()

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "The layers check is wrong:\n  ${text}")
endif()
message(STATUS "The layers check refuses and passes as it should (${n} cases)")
