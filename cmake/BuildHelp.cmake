# Compiles the help sources into one .chm file:
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DOUTPUT=.../tginfo.chm -DCHMCMD=... -DICONV=... -P BuildHelp.cmake
#
# The sources are kept in UTF-8 so that they read well in the tree. A Japanese help file is code
# page 932 throughout: the viewer reads the contents and index in the code page of the file's
# language, so every source is converted and its charset declaration changed to match.
foreach(var SOURCE_DIR WORK_DIR OUTPUT CHMCMD ICONV)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "BuildHelp.cmake needs -D${var}=...")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# The project names every page it holds; the contents, index and project file come on top.
file(STRINGS "${SOURCE_DIR}/tginfo.hhp" project_lines)
set(in_files OFF)
set(sources tginfo.hhp contents.hhc index.hhk)
foreach(line IN LISTS project_lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^\\[")
        set(in_files OFF)
        if(line STREQUAL "[FILES]")
            set(in_files ON)
        endif()
    elseif(in_files AND NOT line STREQUAL "")
        list(APPEND sources "${line}")
    endif()
endforeach()

foreach(name IN LISTS sources)
    set(source "${SOURCE_DIR}/${name}")
    if(NOT EXISTS "${source}")
        message(FATAL_ERROR "help: ${name} is listed in tginfo.hhp but does not exist")
    endif()
    file(READ "${source}" text)
    string(REPLACE "charset=utf-8" "charset=Shift_JIS" text "${text}")
    get_filename_component(dir "${WORK_DIR}/${name}" DIRECTORY)
    file(MAKE_DIRECTORY "${dir}")
    file(WRITE "${WORK_DIR}/${name}.utf8" "${text}")
    # A character code page 932 lacks stops the build here instead of turning into "?".
    execute_process(
        COMMAND "${ICONV}" -f UTF-8 -t CP932 "${WORK_DIR}/${name}.utf8"
        OUTPUT_FILE "${WORK_DIR}/${name}"
        RESULT_VARIABLE status
        ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "help: ${name} cannot be written in code page 932: ${error}")
    endif()
    file(REMOVE "${WORK_DIR}/${name}.utf8")
endforeach()

execute_process(
    COMMAND "${CHMCMD}" --html-scan tginfo.hhp
    WORKING_DIRECTORY "${WORK_DIR}"
    RESULT_VARIABLE status
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log)
# chmcmd reports a missing page or anchor as an error or a warning and may still write the file.
if(NOT status EQUAL 0 OR log MATCHES "(Error|Warning|not found)")
    message(FATAL_ERROR "help: chmcmd failed (${status}):\n${log}")
endif()
if(NOT EXISTS "${WORK_DIR}/tginfo.chm")
    message(FATAL_ERROR "help: chmcmd wrote no tginfo.chm:\n${log}")
endif()
file(COPY_FILE "${WORK_DIR}/tginfo.chm" "${OUTPUT}" ONLY_IF_DIFFERENT)
