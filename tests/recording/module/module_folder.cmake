# Runs a command against a module folder of its own, DIR, made afresh with
# MODULE, RECORDED and FILES (lay_module_folder.cmake). The command finds the
# folder in DCS_MODULE_DIR, or as @DIR@ among its words.
#   COMMAND  the command, its words separated by "|"
#   EXIT_CODE  the exit code it must end with (0);  EXPECT  a regex its output must match
#   ABSENT   a path that must not exist afterwards;  ENV  NAME=VALUE pairs for the command
# With RECORDED and exit code 0, the recorder module must have left a recording.
cmake_policy(VERSION 3.20)  # @DIR@ is a word, not a variable
include(${CMAKE_CURRENT_LIST_DIR}/lay_module_folder.cmake)

string(REPLACE "@DIR@" "${DIR}" command "${COMMAND}")
string(REPLACE "@DIR@" "${DIR}" ABSENT "${ABSENT}")
string(REPLACE "|" ";" command "${command}")
set(ENV{DCS_MODULE_DIR} ${DIR})
foreach(pair IN LISTS ENV)
  string(REGEX REPLACE "=.*" "" key "${pair}")
  string(REGEX REPLACE "^[^=]*=" "" value "${pair}")
  set(ENV{${key}} "${value}")
endforeach()
execute_process(COMMAND ${command} WORKING_DIRECTORY ${DIR}
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
string(REPLACE "\r" "" output "${output}")
message("${output}")
if(NOT EXIT_CODE)
  set(EXIT_CODE 0)
endif()
file(GLOB recordings ${DIR}/vornak-*.rec.gz)
list(LENGTH recordings count)
message("recordings left beside the module: ${count}")
if(NOT "${result}" STREQUAL "${EXIT_CODE}")
  message(FATAL_ERROR "exit code ${result}, expected ${EXIT_CODE}")
elseif(EXPECT AND NOT output MATCHES "${EXPECT}")
  message(FATAL_ERROR "no output matches ${EXPECT}")
elseif(ABSENT AND EXISTS ${ABSENT})
  message(FATAL_ERROR "${ABSENT} was left behind")
elseif(RECORDED AND EXIT_CODE EQUAL 0 AND count EQUAL 0)
  message(FATAL_ERROR "the recorder module left no recording beside itself")
endif()
