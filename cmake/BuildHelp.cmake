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

# wxHtml (xCHM's engine) breaks a line only at an ASCII space, so a Japanese paragraph runs off the
# right edge, and a line break in the source shows as a space. Every page's body therefore gets:
# - its source line breaks between two Japanese characters removed, as a Japanese reader expects;
# - a break opportunity between Japanese characters, as a zero-width image: wxHtml may break a line
#   before any cell that has a size (a cell of no width and no height counts as formatting, so the
#   image is one pixel high). Browsers draw nothing for it, and the words stay the same.
# Line-start and line-end rules hold: no break before 。、） etc., none after （「 etc.
# <pre> blocks stay as they are. The page sources keep Japanese out of tags (the build checks), so
# the rules below only ever see text.
set(help_break "<img src=\"wrap.gif\" width=\"0\" height=\"1\" alt=\"\">")
string(ASCII 224 lead_first)
string(ASCII 239 lead_last)
string(ASCII 128 tail_first)
string(ASCII 191 tail_last)
string(ASCII 31 mark)
string(ASCII 30 semicolon)
string(ASCII 29 kept_mark)
# The three-byte UTF-8 characters: kana, kanji, Japanese punctuation and full-width forms.
set(wide "[${lead_first}-${lead_last}][${tail_first}-${tail_last}][${tail_first}-${tail_last}]")
set(no_start "(、|。|，|．|・|：|；|？|！|ー|～|…|‥|）|」|』|】|〕|］|｝|〉|》|”|’|％|ぁ|ぃ|ぅ|ぇ|ぉ|っ|ゃ|ゅ|ょ|ゎ|ァ|ィ|ゥ|ェ|ォ|ッ|ャ|ュ|ョ|ヮ|ヵ|ヶ|々|ゝ|ゞ|ヽ|ヾ)")
set(closing "(、|。|，|．|）|」|』|】|〕|］|｝|〉|》)")
set(no_end "(（|「|『|【|〔|［|｛|〈|《|“|‘)")

function(wrap_japanese text_var)
    set(text "${${text_var}}")
    # Join the lines of a paragraph, also where a tag sits at the join.
    foreach(pass 1 2)
        string(REGEX REPLACE "(${wide})[ \t]*\n[ \t]*(${wide})" "\\1\\2" text "${text}")
        string(REGEX REPLACE "(${wide})[ \t]*\n[ \t]*(<[^>]*>${wide})" "\\1\\2" text "${text}")
        string(REGEX REPLACE "(${wide}<[^>]*>)[ \t]*\n[ \t]*(${wide})" "\\1\\2" text "${text}")
    endforeach()
    # Japanese punctuation carries its own space.
    string(REGEX REPLACE "${closing}[ \t]*\n[ \t]*([^ \t\n])" "\\1\\2" text "${text}")
    # A break after every Japanese character that another one or an inline element follows, and
    # after Japanese punctuation whatever follows.
    string(REGEX REPLACE "(${wide})" "\\1${mark}" text "${text}")
    string(REGEX REPLACE "${closing}${mark}([!-;=-~])" "\\1${kept_mark}\\2" text "${text}")
    string(REGEX REPLACE "${mark}([^<${lead_first}-${lead_last}]|</|$)" "\\1" text "${text}")
    string(REPLACE "${kept_mark}" "${mark}" text "${text}")
    string(REGEX REPLACE "${mark}${no_start}" "\\1" text "${text}")
    string(REGEX REPLACE "${no_end}${mark}" "\\1" text "${text}")
    # Table headings and the first column are short names: kept whole, as before, so that the
    # viewer's table layout does not squeeze that column to one character.
    string(REPLACE ";" "${semicolon}" text "${text}")
    set(cell "([^<]|<[^/]|</[^t])*</t[dh]>")
    string(REGEX MATCHALL "<tr>[ \t\n]*<t[dh][^>]*>${cell}" names "${text}")
    string(REGEX MATCHALL "<th[^>]*>${cell}" headings "${text}")
    foreach(whole IN LISTS names headings)
        string(REPLACE "${mark}" "" kept "${whole}")
        string(REPLACE "${whole}" "${kept}" text "${text}")
    endforeach()
    string(REPLACE "${semicolon}" ";" text "${text}")
    string(REPLACE "${mark}" "${help_break}" text "${text}")
    set(${text_var} "${text}" PARENT_SCOPE)
endfunction()

# Applies wrap_japanese to the page's body outside <pre> blocks.
function(wrap_page text_var)
    set(rest "${${text_var}}")
    string(FIND "${rest}" "<body>" at)
    if(at EQUAL -1)
        return()
    endif()
    string(SUBSTRING "${rest}" 0 ${at} out)
    string(SUBSTRING "${rest}" ${at} -1 rest)
    if(rest MATCHES "<[^>]*${wide}[^>]*>")
        message(FATAL_ERROR "help: Japanese inside a tag, where a line break would land: "
                            "${CMAKE_MATCH_0}")
    endif()
    string(FIND "${rest}" "<pre>" at)
    while(NOT at EQUAL -1)
        string(SUBSTRING "${rest}" 0 ${at} before)
        wrap_japanese(before)
        string(APPEND out "${before}")
        string(SUBSTRING "${rest}" ${at} -1 rest)
        string(FIND "${rest}" "</pre>" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "help: a <pre> block is not closed")
        endif()
        math(EXPR at "${at} + 6")
        string(SUBSTRING "${rest}" 0 ${at} block)
        string(APPEND out "${block}")
        string(SUBSTRING "${rest}" ${at} -1 rest)
        string(FIND "${rest}" "<pre>" at)
    endwhile()
    wrap_japanese(rest)
    string(APPEND out "${rest}")
    set(${text_var} "${out}" PARENT_SCOPE)
endfunction()

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
    if(name MATCHES "\\.gif$")
        file(COPY_FILE "${source}" "${WORK_DIR}/${name}")
        continue()
    endif()
    file(READ "${source}" text)
    string(REPLACE "charset=utf-8" "charset=Shift_JIS" text "${text}")
    if(name MATCHES "\\.html$")
        wrap_page(text)
    endif()
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
