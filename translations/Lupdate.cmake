# MODE=update: refreshes TS from the sources (texts no longer used dropped).
# MODE=check:  runs lupdate on a copy of TS and fails when a text of the
#              sources has no finished translation there.
file(MAKE_DIRECTORY ${WORK})
set(files)
string(REPLACE "," ";" FOLDERS "${FOLDERS}")   # commas: a list does not survive the command line
foreach(folder ${FOLDERS})
    file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
    list(FILTER found EXCLUDE REGEX "/tests/")
    list(APPEND files ${found})
endforeach()
list(SORT files)
string(REPLACE ";" "\n" lines "${files}")
file(WRITE ${WORK}/sources.lst "${lines}\n")

if(MODE STREQUAL "update")
    set(target ${TS})
    set(extra -no-obsolete)
else()
    set(target ${WORK}/check.ts)
    file(COPY_FILE ${TS} ${target})
    set(extra)
endif()
execute_process(
    COMMAND ${LUPDATE} -silent -locations none ${extra} -I ${SOURCE_DIR} -source-language ja_JP -target-language en
        @${WORK}/sources.lst -ts ${target}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status})")
endif()
if(MODE STREQUAL "update")
    return()
endif()

file(READ ${target} ts)
string(REGEX MATCHALL "<message>[^<]*<source>[^<]*</source>[^<]*<translation type=\"unfinished\"" open "${ts}")
list(LENGTH open count)
if(count GREATER 0)
    foreach(entry ${open})
        string(REGEX REPLACE ".*<source>([^<]*)</source>.*" "\\1" text "${entry}")
        message("untranslated: ${text}")
    endforeach()
    message(FATAL_ERROR "${count} texts have no English translation; run the vellora_lupdate target and "
                        "translate them in translations/vellora_en.ts")
endif()
