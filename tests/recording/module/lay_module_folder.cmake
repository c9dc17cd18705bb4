# Makes the module folder DIR afresh: MODULE under the driver's file name,
# RECORDED (when given) beside it as the recorded driver, FILES (from=to), and
# tmp/ for a test program's temporary files (TEST_TMPDIR), apart from those of
# its run against the driver. NAMES: the driver's and the recorded driver's
# file names.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
list(GET NAMES 0 driver_file)
list(GET NAMES 1 recorded_file)
file(COPY_FILE ${MODULE} ${DIR}/${driver_file})
if(RECORDED)
  file(COPY_FILE ${RECORDED} ${DIR}/${recorded_file})
endif()
foreach(pair IN LISTS FILES)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  file(COPY_FILE ${from} ${DIR}/${to})
endforeach()

file(MAKE_DIRECTORY ${DIR}/tmp)
set(ENV{TEST_TMPDIR} ${DIR}/tmp/)
