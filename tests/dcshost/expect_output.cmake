# Runs one dcshost command and checks what it did.
#   COMMAND     the command, its words separated by "|"
#   EXIT_CODE   the exit code it must end with
#   EXPECT_FILE optional: each line that is not empty and not a # comment is a
#               regular expression some output line must match
#   COUNT_REGEX, COUNT  optional: exactly COUNT output lines match COUNT_REGEX
#   WORKING_DIR optional
#   DIR, MODULE, RECORDED, NAMES, FILES  optional: run in a module folder
#               (tests/recording/module/lay_module_folder.cmake), named @DIR@ in COMMAND;
#               the recorder module must leave a recording there
# Standard output and standard error are checked together.
cmake_policy(VERSION 3.20)  # @DIR@ is a word, not a variable
if(DIR)
  include(${CMAKE_CURRENT_LIST_DIR}/../recording/module/lay_module_folder.cmake)
  string(REPLACE "@DIR@" "${DIR}" COMMAND "${COMMAND}")
  set(WORKING_DIR ${DIR})
endif()
string(REPLACE "|" ";" command "${COMMAND}")
if(NOT WORKING_DIR)
  set(WORKING_DIR .)
endif()
execute_process(COMMAND ${command} WORKING_DIRECTORY ${WORKING_DIR}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
string(REPLACE "\r" "" output "${output}")
message("${output}")

set(failed FALSE)
if(NOT "${result}" STREQUAL "${EXIT_CODE}")
  message(SEND_ERROR "exit code ${result}, expected ${EXIT_CODE}")
  set(failed TRUE)
endif()

string(REPLACE ";" "\\;" escaped "${output}")
string(REPLACE "\n" ";" lines "${escaped}")
if(EXPECT_FILE)
  file(STRINGS ${EXPECT_FILE} patterns)
  foreach(pattern IN LISTS patterns)
    if(pattern STREQUAL "" OR pattern MATCHES "^#")
      continue()
    endif()
    set(found FALSE)
    foreach(line IN LISTS lines)
      if(line MATCHES "${pattern}")
        set(found TRUE)
        break()
      endif()
    endforeach()
    if(NOT found)
      message(SEND_ERROR "no output line matches: ${pattern}")
      set(failed TRUE)
    endif()
  endforeach()
endif()

if(DEFINED COUNT_REGEX)
  set(count 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "${COUNT_REGEX}")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
  if(NOT count EQUAL COUNT)
    message(SEND_ERROR "${count} lines match ${COUNT_REGEX}, expected ${COUNT}")
    set(failed TRUE)
  endif()
endif()

if(RECORDED)
  file(GLOB recordings ${DIR}/vornak-*.rec.gz)
  if(NOT recordings)
    message(SEND_ERROR "the recorder module left no recording beside itself")
    set(failed TRUE)
  endif()
endif()

if(failed)
  message(FATAL_ERROR "dcshost did not do what was expected")
endif()
