# translations/tc24_en.ts is complete: lupdate, run over the window's sources as the build runs
# it, into a copy of the file in the build tree (never into the source tree), finds no text
# without its English, and no text the code no longer has. The texts of the libraries below the
# window must be in the context "tc24", where the window looks them up.
#   cmake -DLUPDATE=<lupdate> -DINPUTS=<lupdate_inputs.cmake> -DCOPY=<file.ts> -P check_complete.cmake
include(${INPUTS})  # TS_FILE, LUPDATE_SOURCES, LUPDATE_OPTIONS, LUPDATE_INCLUDES

get_filename_component(work ${COPY} DIRECTORY)
file(MAKE_DIRECTORY ${work})
file(COPY_FILE ${TS_FILE} ${COPY})
string(REPLACE ";" "\n" listed "${LUPDATE_SOURCES}")
file(WRITE ${work}/sources.lst "${listed}\n")

# The includes let lupdate see the classes a source's tr() belongs to, as the build's run does.
execute_process(COMMAND ${LUPDATE} ${LUPDATE_OPTIONS} ${LUPDATE_INCLUDES} @${work}/sources.lst -ts ${COPY}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}${errors}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status})")
endif()

file(READ ${COPY} ts)
set(problems "")

# lupdate passes over a mark it does not understand where it stands (inside a call it takes
# for Qt's own translate(), say) without a word: every TC24_TR text must be in the context
# "tc24", with its English.
string(REGEX MATCH "<context>[ \t\r\n]*<name>tc24</name>.*" own "${ts}")
string(FIND "${own}" "</context>" end)
string(SUBSTRING "${own}" 0 ${end} own)
foreach(source IN LISTS LUPDATE_SOURCES)
    file(READ ${source} code)
    string(REGEX MATCHALL "TC24_TR\\([ \t\r\n]*\"tc24\",[ \t\r\n]*\"[^\"]*\"" marks "${code}")
    foreach(mark IN LISTS marks)
        string(REGEX REPLACE "^TC24_TR\\([ \t\r\n]*\"tc24\",[ \t\r\n]*\"" "" text "${mark}")
        string(REGEX REPLACE "\"$" "" text "${text}")
        if(text STREQUAL "…")
            continue()  # the macro's own description
        endif()
        string(REPLACE "&" "&amp;" escaped "${text}")
        string(REPLACE "<" "&lt;" escaped "${escaped}")
        string(REPLACE ">" "&gt;" escaped "${escaped}")
        string(REPLACE "'" "&apos;" escaped "${escaped}")
        string(REPLACE "\\r" "<byte value=\"xd\"/>" escaped "${escaped}")
        string(REPLACE "\\n" "\n" escaped "${escaped}")
        string(FIND "${own}" "<source>${escaped}</source>" at)
        if(at EQUAL -1)
            string(APPEND problems "  tc24: a marked text lupdate did not find (${source}): ${text}\n")
        endif()
    endforeach()
endforeach()
# One <message> … </message> per list entry, so that each can be looked at alone; the text's own
# semicolons (&quot;) must not split the list, nor its brackets hold it together.
string(REPLACE ";" "<semicolon>" ts "${ts}")
string(REPLACE "[" "<lb>" ts "${ts}")
string(REPLACE "]" "<rb>" ts "${ts}")
string(REPLACE "\n" " " ts "${ts}")
string(REPLACE "<context>" "\n<context>" ts "${ts}")
string(REPLACE "\n" ";" contexts "${ts}")
foreach(context IN LISTS contexts)
    if(NOT context MATCHES "<name>([^<]*)</name>")
        continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    string(REPLACE "<message" "\n<message" context "${context}")
    string(REPLACE "\n" ";" messages "${context}")
    foreach(message IN LISTS messages)
        if(NOT message MATCHES "^<message")
            continue()
        endif()
        string(REGEX MATCH "<source>.*</source>" source "${message}")
        string(REPLACE "<semicolon>" ";" source "${source}")
        string(REPLACE "<lb>" "[" source "${source}")
        string(REPLACE "<rb>" "]" source "${source}")
        if(message MATCHES "type=\"unfinished\"")
            string(APPEND problems "  ${name}: without English (new or changed text): ${source}\n")
        elseif(message MATCHES "type=\"(vanished|obsolete)\"")
            string(APPEND problems "  ${name}: no longer in the code: ${source}\n")
        elseif(message MATCHES "<translation></translation>|<translation/>")
            string(APPEND problems "  ${name}: empty translation: ${source}\n")
        endif()
        if(NOT name STREQUAL "tc24" AND message MATCHES
           "filename=\"[^\"]*/(protocol|link|measure|address|sensors|programming|diagnostics|app/core|app/settings|app/platform)/[^/\"]+\"")
            string(APPEND problems
                   "  ${name}: a text of ${CMAKE_MATCH_1}/ must be marked in the context \"tc24\": ${source}\n")
        endif()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "translations/tc24_en.ts is not complete:\n${problems}"
            "Run `cmake --build <build dir> --target tc24qt_lupdate`, then give every new text its "
            "English in Qt Linguist (translations/tc24_en.ts).")
endif()
message("translations/tc24_en.ts: every text has its English")
