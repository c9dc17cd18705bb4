# 32-bit Linux build with clang: the fuzzers need libFuzzer, which g++ lacks.
# The i386 sanitizer and libFuzzer runtimes come with libclang-rt-14-dev.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686.cmake)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
