# Release packages (cmake --build --preset win32 --target package):
#   vornak-<version>-win32.zip   the stripped driver, its debug information
#                                beside it, the integration note, SHA-256 sums,
#                                in recorder/ the recorder module for Windows
#                                and for Linux (from the linux-i686 build)
#   dcshost-<version>-win32.zip  dcshost.exe, the driver, the stand-ins and the
#                                example scenarios: a coupling to try on a
#                                Windows PC with nothing else installed, and
#                                in live/ the same for a live run; its README
#                                written for Windows (windows_readme.cmake)

# The driver as shipped: stripped, its debug information in vornak.dll.debug,
# which a debugger finds through the link the stripped file keeps.
set(stage ${CMAKE_BINARY_DIR}/package)
add_custom_command(OUTPUT ${stage}/vornak.dll ${stage}/vornak.dll.debug
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:vornak> ${stage}/vornak.dll.debug
  COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=vornak.dll.debug
          $<TARGET_FILE:vornak> ${stage}/vornak.dll
  DEPENDS vornak
  WORKING_DIRECTORY ${stage}
  VERBATIM)
add_custom_command(OUTPUT ${stage}/recorder/vornak.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/recorder
  COMMAND ${CMAKE_OBJCOPY} --strip-all $<TARGET_FILE:vornak_recorder> ${stage}/recorder/vornak.dll
  DEPENDS vornak_recorder
  VERBATIM)
add_custom_target(vornak_stripped ALL
  DEPENDS ${stage}/vornak.dll ${stage}/vornak.dll.debug ${stage}/recorder/vornak.dll)
add_custom_command(OUTPUT ${stage}/dcshost/README.md
  COMMAND ${CMAKE_COMMAND} -DINTRO=${CMAKE_CURRENT_LIST_DIR}/README-intro.md
          -DSOURCE=${PROJECT_SOURCE_DIR}/dcshost/README.md -DOUTPUT=${stage}/dcshost/README.md
          -P ${CMAKE_CURRENT_LIST_DIR}/windows_readme.cmake
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/README-intro.md ${PROJECT_SOURCE_DIR}/dcshost/README.md
          ${CMAKE_CURRENT_LIST_DIR}/windows_readme.cmake
  VERBATIM)
add_custom_target(dcshost_windows_readme ALL DEPENDS ${stage}/dcshost/README.md)

# Each archive unpacks into a folder of its own, named as the archive: its
# files are installed into that folder.
set(driver_folder vornak-${PROJECT_VERSION}-win32)
set(dcshost_folder dcshost-${PROJECT_VERSION}-win32)

# Every file of a component's archive in SHA256SUMS, as sha256sum -c reads it
# in the archive's folder.
function(dcs_package_sums component folder)
  install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${folder}\")
    file(GLOB_RECURSE files RELATIVE \"\${root}\" \"\${root}/*\")
    list(REMOVE_ITEM files SHA256SUMS)
    list(SORT files)
    set(sums \"\")
    foreach(f IN LISTS files)
      file(SHA256 \"\${root}/\${f}\" sum)
      string(APPEND sums \"\${sum}  \${f}\\n\")
    endforeach()
    file(WRITE \"\${root}/SHA256SUMS\" \"\${sums}\")" COMPONENT ${component})
endfunction()

install(FILES ${stage}/vornak.dll ${stage}/vornak.dll.debug DESTINATION ${driver_folder}
        COMPONENT driver)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/INTEGRATION.txt DESTINATION ${driver_folder}
        COMPONENT driver)
install(FILES ${stage}/recorder/vornak.dll DESTINATION ${driver_folder}/recorder COMPONENT driver)
# The Linux recorder module, stripped, from the linux-i686 build (the test
# command builds both presets before it makes the packages).
set(DCS_LINUX_BIN_DIR ${PROJECT_SOURCE_DIR}/build/linux-i686/bin CACHE PATH
    "Where the linux-i686 preset puts its binaries")
install(CODE "
  set(so \"${DCS_LINUX_BIN_DIR}/recorder/libvornak.so\")
  if(NOT EXISTS \"\${so}\")
    message(FATAL_ERROR \"no Linux recorder module at \${so}: build the linux-i686 preset first\")
  endif()
  execute_process(COMMAND strip --strip-all -o
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${driver_folder}/recorder/libvornak.so\" \"\${so}\" COMMAND_ERROR_IS_FATAL ANY)"
  COMPONENT driver)
dcs_package_sums(driver ${driver_folder})

install(PROGRAMS $<TARGET_FILE:dcshost> DESTINATION ${dcshost_folder} COMPONENT dcshost)
install(FILES ${stage}/vornak.dll $<TARGET_FILE:iface> $<TARGET_FILE:VNXAPIWX>
        DESTINATION ${dcshost_folder} COMPONENT dcshost)
install(FILES ${PROJECT_SOURCE_DIR}/dcshost/scenarios/default.toml
        DESTINATION ${dcshost_folder}/scenarios COMPONENT dcshost)
install(FILES ${stage}/dcshost/README.md DESTINATION ${dcshost_folder} COMPONENT dcshost)
# A live run without a copy: the driver beside the file-backed client library,
# which it loads from its own folder before the stand-in beside dcshost.exe.
install(FILES ${stage}/vornak.dll $<TARGET_FILE:VNXAPIWX_file>
        ${PROJECT_SOURCE_DIR}/dcshost/scenarios/live/unit.toml
        ${PROJECT_SOURCE_DIR}/dcshost/scenarios/live/tags.txt
        DESTINATION ${dcshost_folder}/live COMPONENT dcshost)
# A tool to try things with: stripped, no debug information kept.
install(CODE "
  execute_process(COMMAND ${CMAKE_STRIP} --strip-all dcshost.exe iface.dll VNXAPIWX.dll live/VNXAPIWX.dll
                  WORKING_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dcshost_folder}\"
                  COMMAND_ERROR_IS_FATAL ANY)"
  COMPONENT dcshost)
dcs_package_sums(dcshost ${dcshost_folder})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vornak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL driver dcshost)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_DRIVER_FILE_NAME ${driver_folder})
set(CPACK_ARCHIVE_DCSHOST_FILE_NAME ${dcshost_folder})
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
