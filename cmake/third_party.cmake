# What the build takes from Debian, found the CMake way.
#
# GoogleTest: the i386 package where the target can link it (Linux); otherwise
# (mingw) built for the target from Debian's source package.
include(FetchContent)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
FetchContent_Declare(googletest SOURCE_DIR /usr/src/googletest SYSTEM
  FIND_PACKAGE_ARGS NAMES GTest)
FetchContent_MakeAvailable(googletest)
if(TARGET gtest)
  set_property(DIRECTORY ${googletest_SOURCE_DIR} PROPERTY EXCLUDE_FROM_ALL TRUE)
endif()
include(GoogleTest)

# Google Benchmark: Linux only, and optional.
if(NOT WIN32)
  find_package(benchmark QUIET)
endif()

# toml++ and CLI11 are used header-only, from /usr/include (Debian's toml++
# package configuration points at a 64-bit shared build, which neither target
# can link). A compiler whose own system headers live elsewhere (mingw) must
# not see /usr/include, which holds the host's C library: it gets a copy of
# the package's own folder only.
function(dcs_header_only_library target header)
  string(MAKE_C_IDENTIFIER ${target} var)
  find_path(${var}_INCLUDE_DIR ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(dir ${${var}_INCLUDE_DIR})
  if(NOT dir IN_LIST CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
    get_filename_component(folder ${header} DIRECTORY)
    file(COPY ${dir}/${folder} DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
    set(dir ${CMAKE_BINARY_DIR}/third_party/include)
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${dir})
endfunction()

dcs_header_only_library(third_party::tomlplusplus toml++/toml.h)
dcs_header_only_library(third_party::CLI11 CLI/CLI.hpp)
