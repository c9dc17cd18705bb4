# Puts the recorder module in place of the driver in DIR (the driver renamed
# beside it, the file-backed client library, a tag file), runs the host
# program there and with the driver alone, checks the recording it left as
# zcat reads it, and copies it to RECORDING.
#   HOST    the host program, its words separated by "|"
#   FILES   the module's, the renamed driver's and the library's file names
#   RECORDER, DRIVER, LIBRARY  the built files;  PLATFORM, VERSION  @platform, @driver
# The host, its DCSLoad block of 0x5A bytes and its hooks on the module's box
# and sleep, must see the same with the driver alone (DIR/alone) and with the
# recorder: results, host heap per entry point and after FreeDCSData, boxes, sleeps.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR}/alone)
set(built ${RECORDER} ${DRIVER} ${LIBRARY})
foreach(from to IN ZIP_LISTS built FILES)
  file(COPY_FILE ${from} ${DIR}/${to})
endforeach()
list(GET FILES 0 module)
list(GET FILES 2 library)
file(COPY_FILE ${DRIVER} ${DIR}/alone/${module})
file(COPY_FILE ${LIBRARY} ${DIR}/alone/${library})
file(COPY_FILE ${CMAKE_CURRENT_LIST_DIR}/tags.txt ${DIR}/tags.txt)
file(COPY_FILE ${CMAKE_CURRENT_LIST_DIR}/tags.txt ${DIR}/alone/tags.txt)

string(REPLACE "|" ";" host "${HOST}")
foreach(where alone recorded)
  set(in ${DIR}/alone)
  if(where STREQUAL "recorded")
    set(in ${DIR})
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env VNXSIM_TAGS=tags.txt ${host} ./${module} 3
      fresh-on-pattern heap unattended
    WORKING_DIRECTORY ${in} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
  string(REPLACE "\r" "" ${where} "${output}")
  message("${where}:\n${output}${errors}")
  if(NOT result EQUAL 0 OR errors MATCHES "\\[Vornak recorder\\]")
    message(FATAL_ERROR "the session ${where} did not run")
  endif()
endforeach()
if(NOT recorded STREQUAL alone OR NOT recorded MATCHES "\nboxes 0 sleeps 10000 ms\n$")
  message(FATAL_ERROR "the host saw the recorder module otherwise than the driver")
endif()
set(expected "DCSLoad DCSConfigure DCSInitialize DCSStart DCSSimulate DCSSimulate DCSSimulate ")
string(APPEND expected "DCSStop DCSReset DCSDestroy ")

string(REPEAT "[0-9]" 6 time)
file(GLOB recordings RELATIVE ${DIR} ${DIR}/vornak-*)
if(NOT recordings MATCHES "^vornak-[0-9][0-9]${time}-${time}\\.rec\\.gz$")
  message(FATAL_ERROR "not one recording named vornak-YYYYMMDD-HHMMSS.rec.gz: ${recordings}")
endif()
execute_process(COMMAND gzip -dc ${DIR}/${recordings} OUTPUT_VARIABLE text RESULT_VARIABLE result)
string(REGEX MATCHALL "\n> [A-Za-z]+" entries "${text}")
string(REGEX REPLACE "\n> ([A-Za-z]+)" "\\1 " entries "${entries}")
string(REPLACE ";" "" entries "${entries}")
if(NOT result EQUAL 0 OR NOT entries STREQUAL expected OR NOT text MATCHES "\nend\n$" OR NOT text
   MATCHES "^# vornak recording 2\n@platform ${PLATFORM}\n@driver ${VERSION}\n@start 20[0-9-]+T[0-9:]+Z\n@by recorder module\n")
  message(FATAL_ERROR "the recording's header or entry points are not the session's:\n"
    "entries: ${entries}\nexpected: ${expected}\n${text}")
endif()
file(COPY_FILE ${DIR}/${recordings} ${RECORDING})
