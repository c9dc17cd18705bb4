# The README of dcshost's Windows package: README-intro.md, then dcshost's
# own README with the paths of the unpacked folder written as Windows writes
# them, without the source tree's Linux passages and with no link that leads
# out of the folder.
#   cmake -DINTRO=... -DSOURCE=dcshost/README.md -DOUTPUT=... -P windows_readme.cmake
# A passage below that the README no longer holds fails the build: the
# package's README would otherwise say what the source no longer does.

file(READ "${INTRO}" intro)
file(READ "${SOURCE}" text)

# Replaces `old` by `new` in `text`, once; fails when `old` is not there.
function(replace_passage old new)
  string(FIND "${text}" "${old}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${SOURCE} no longer holds this passage; update ${CMAKE_CURRENT_LIST_FILE}:\n${old}")
  endif()
  string(REPLACE "${old}" "${new}" replaced "${text}")
  set(text "${replaced}" PARENT_SCOPE)
endfunction()

# Drops what lies from `first` up to (not including) `next`; fails as above.
function(drop_passage first next)
  string(FIND "${text}" "${first}" from)
  if(from EQUAL -1)
    message(FATAL_ERROR "${SOURCE} no longer holds a passage starting:\n${first}")
  endif()
  string(SUBSTRING "${text}" ${from} -1 rest)
  string(FIND "${rest}" "${next}" length)
  if(length EQUAL -1)
    message(FATAL_ERROR "${SOURCE}: no '${next}' after the passage starting:\n${first}")
  endif()
  string(SUBSTRING "${text}" 0 ${from} head)
  string(SUBSTRING "${rest}" ${length} -1 tail)
  set(text "${head}${tail}" PARENT_SCOPE)
endfunction()

# The intro has the title.
replace_passage("# dcshost\n\n" "")
# The source tree's build outputs and Linux commands: the intro and the
# folder's live\ stand for them.
replace_passage(
  "`bin/filebacked/libVNXAPIWX.so` and `bin/filebacked/VNXAPIWX.dll` (target\n`VNXAPIWX_file`) are"
  "`live\\VNXAPIWX.dll` is")
drop_passage("To rehearse a loss of the coupling against it" "## ")
replace_passage("dcshost run my_unit.toml --driver /opt/unit/libvornak.so"
                "dcshost.exe run my_unit.toml --driver C:\\unit\\vornak.dll")
drop_passage("The file-backed library above stands in for a real one: copy"
             "The Windows package")
replace_passage(
  "The Windows package `dcshost-<version>-win32.zip` has them side by side in\n`live/`, with a tag file and the feed unit's host tables for it; from the\nunpacked folder, in a command prompt:"
  "The file-backed library above stands in for a real one. This folder has it\nbeside the driver in `live\\`, with a tag file and the feed unit's host\ntables for it; the driver takes the library beside itself, not the stand-in\nbeside `dcshost.exe`. From this folder, in a command prompt:")
# A recording read as Windows reads gzip.
replace_passage("gzip, `zcat` reads it." "gzip, which any gzip tool (7-Zip, for one) reads.")

# Links into the source tree lead out of the folder: their text stays.
string(REGEX REPLACE "\\[([^]]*)\\]\\(\\.\\./[^)]*\\)" "\\1 in the source repository" text
       "${text}")
# Paths in the folder, as Windows writes them.
string(REGEX REPLACE "([ `(\n])(scenarios|live|out)/" "\\1\\2\\\\" text "${text}")

string(REGEX MATCH "\\]\\((\\.\\./|/)[^)]*\\)" outside "${text}")
if(outside)
  message(FATAL_ERROR "a link out of the package's folder is left: ${outside}")
endif()
# CRLF, as Windows' own editors write.
string(REPLACE "\n" "\r\n" windows "${intro}${text}")
file(WRITE "${OUTPUT}" "${windows}")
