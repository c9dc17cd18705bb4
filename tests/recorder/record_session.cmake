# Puts the recorder module in place of the driver in DIR (the driver renamed
# beside it, the file-backed client library, a tag file), runs the host
# program there, checks the recording it left as zcat reads it, and copies it
# to RECORDING.
#   HOST    the host program, its words separated by "|"
#   FILES   the module's, the renamed driver's and the library's file names
#   RECORDER, DRIVER, LIBRARY  the built files;  PLATFORM, VERSION  @platform, @driver
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
set(built ${RECORDER} ${DRIVER} ${LIBRARY})
foreach(from to IN ZIP_LISTS built FILES)
  file(COPY_FILE ${from} ${DIR}/${to})
endforeach()
file(COPY_FILE ${CMAKE_CURRENT_LIST_DIR}/tags.txt ${DIR}/tags.txt)

string(REPLACE "|" ";" host "${HOST}")
list(GET FILES 0 module)
execute_process(COMMAND ${CMAKE_COMMAND} -E env VNXSIM_TAGS=tags.txt ${host} ./${module} 3
  WORKING_DIRECTORY ${DIR} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
string(REPLACE "\r" "" output "${output}")
message("${output}${errors}")
string(CONCAT calls "DCSLoad 0\nDCSConfigure 1\nDCSInitialize 0\nDCSStart 0\nDCSSimulate 1\n"
  "DCSSimulate 1\nDCSSimulate 1\nDCSStop 0\nDCSReset 0\nDCSDestroy 0\n")
if(NOT result EQUAL 0 OR NOT output STREQUAL calls OR errors MATCHES "\\[Vornak recorder\\]")
  message(FATAL_ERROR "the session through the recorder module did not run as through the driver")
endif()

string(REPEAT "[0-9]" 6 time)
file(GLOB recordings RELATIVE ${DIR} ${DIR}/vornak-*)
if(NOT recordings MATCHES "^vornak-[0-9][0-9]${time}-${time}\\.rec\\.gz$")
  message(FATAL_ERROR "not one recording named vornak-YYYYMMDD-HHMMSS.rec.gz: ${recordings}")
endif()
execute_process(COMMAND gzip -dc ${DIR}/${recordings} OUTPUT_VARIABLE text RESULT_VARIABLE result)
string(REGEX MATCHALL "\n> [A-Za-z]+" entries "${text}")
string(REGEX REPLACE "\n> ([A-Za-z]+)" "\\1 " entries "${entries}")
string(REGEX REPLACE "[0-9]+\n" "" expected "${calls}")
string(REPLACE ";" "" entries "${entries}")
if(NOT result EQUAL 0 OR NOT entries STREQUAL expected OR NOT text MATCHES "\nend\n$" OR NOT text
   MATCHES "^# vornak recording 1\n@platform ${PLATFORM}\n@driver ${VERSION}\n@start 20[0-9-]+T[0-9:]+Z\n@by recorder module\n")
  message(FATAL_ERROR "the recording's header or entry points are not the session's:\n"
    "entries: ${entries}\nexpected: ${expected}\n${text}")
endif()
file(COPY_FILE ${DIR}/${recordings} ${RECORDING})
