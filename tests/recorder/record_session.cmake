# Puts the recorder module in place of the driver in DIR (the driver renamed
# beside it, the file-backed client library, a tag file), runs the host
# program there, checks the recording it left as zcat reads it, and copies it
# to RECORDING.
#   HOST    the host program, its words separated by "|"
#   FILES   the module's, the renamed driver's and the library's file names
#   RECORDER, DRIVER, LIBRARY  the built files;  PLATFORM, VERSION  @platform, @driver
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
list(GET FILES 0 module)
list(GET FILES 1 recorded)
list(GET FILES 2 library)
file(COPY_FILE ${RECORDER} ${DIR}/${module})
file(COPY_FILE ${DRIVER} ${DIR}/${recorded})
file(COPY_FILE ${LIBRARY} ${DIR}/${library})
file(WRITE ${DIR}/tags.txt "float L.SP 50\nfloat L.OP 50\nfloat L.SPINIT 0\nfloat L.OPINIT 0\n"
  "float L.PV 0\nfloat L.IN 7.5\narray ARR 0 0 0\nint L.MODE 0\n")

string(REPLACE "|" ";" host "${HOST}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env VNXSIM_TAGS=tags.txt ${host} ./${module} 3
  WORKING_DIRECTORY ${DIR} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
string(REPLACE "\r" "" output "${output}")
message("${output}${errors}")
set(calls "DCSLoad 0\nDCSConfigure 1\nDCSInitialize 0\nDCSStart 0\nDCSSimulate 1\nDCSSimulate 1\n"
  "DCSSimulate 1\nDCSStop 0\nDCSReset 0\nDCSDestroy 0\n")
string(CONCAT calls ${calls})
if(NOT result EQUAL 0 OR NOT output STREQUAL calls OR errors MATCHES "\\[Vornak recorder\\]")
  message(FATAL_ERROR "the session through the recorder module did not run as through the driver")
endif()

file(GLOB recordings RELATIVE ${DIR} ${DIR}/vornak-*)
list(LENGTH recordings count)
string(REPEAT "[0-9]" 8 day)
string(REPEAT "[0-9]" 6 time)
if(NOT count EQUAL 1 OR NOT recordings MATCHES "^vornak-${day}-${time}\\.rec\\.gz$")
  message(FATAL_ERROR "not one recording named vornak-YYYYMMDD-HHMMSS.rec.gz: ${recordings}")
endif()
execute_process(COMMAND gzip -dc ${DIR}/${recordings} OUTPUT_VARIABLE text RESULT_VARIABLE result)
string(REGEX MATCHALL "(^|\n)> [A-Za-z]+" entries "${text}")
string(REPLACE "\n" "" entries "${entries}")
string(REPLACE "> " "" entries "${entries}")
string(REGEX REPLACE " [0-9]+\n" ";" expected "${calls}")
string(REGEX REPLACE ";$" "" expected "${expected}")
string(REGEX MATCH "^# vornak recording 1\n@platform [^\n]+\n@driver [^\n]+\n@start [^\n]+\n@by [^\n]+\n"
  header "${text}")
if(NOT result EQUAL 0 OR NOT entries STREQUAL "${expected}" OR NOT text MATCHES "\nend\n$"
   OR NOT header MATCHES "@platform ${PLATFORM}\n@driver ${VERSION}\n@start 20[0-9-]+T[0-9:]+Z\n@by recorder module\n")
  message(FATAL_ERROR "the recording's header or entry points are not the session's:\n"
    "entries: ${entries}\nexpected: ${expected}\n${text}")
endif()
file(COPY_FILE ${DIR}/${recordings} ${RECORDING})
