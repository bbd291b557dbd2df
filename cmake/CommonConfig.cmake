# How every target of the project is compiled, carried by INTERFACE targets instead of global flags,
# so that a folder states once which configuration its targets build with (`link_libraries` at the
# top of src/, bench/, fuzz/ and tests/).
#
#   sondrel_build_cfg   what all code shares: the Qt defines, -Werror, the assertion checks, the
#                       sanitizers and the fuzzing instrumentation
#   sondrel_common_cfg  sondrel_build_cfg and the full warning set: the program, the benchmarks and
#                       the fuzz targets
#   sondrel_tests_cfg   what the tests build with: the base warning set, or the full one with
#                       SONDREL_STRICT_TESTS

option(SONDREL_WERROR "Treat compiler warnings as errors" OFF)
option(SONDREL_ASSERTIONS "Check the standard library's and Qt's assertions (bounds of containers, Q_ASSERT) in every build type" OFF)
option(SONDREL_STRICT_TESTS "Build the tests with the full warning set of the program, not the base one" ON)
option(SONDREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(SONDREL_FUZZ "Build the libFuzzer targets of the file parsers (clang only)" OFF)

add_library(sondrel_build_cfg INTERFACE)
# Text from C strings must say its encoding, and Qt's signal keywords do not clash with other headers.
target_compile_definitions(sondrel_build_cfg INTERFACE QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
if(SONDREL_WERROR)
  target_compile_options(sondrel_build_cfg INTERFACE -Werror)
endif()
if(SONDREL_ASSERTIONS)
  # Both leave the ABI alone, so libraries built without them link with code built with them.
  target_compile_definitions(sondrel_build_cfg INTERFACE _GLIBCXX_ASSERTIONS QT_FORCE_ASSERTS)
endif()
if(SONDREL_SANITIZE)
  target_compile_options(sondrel_build_cfg INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(sondrel_build_cfg INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(SONDREL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SONDREL_FUZZ needs clang, which brings libFuzzer: configure with CC=clang CXX=clang++")
  endif()
  # The core is built with coverage and the sanitizers, so the fuzzers see into it and stop at the
  # first fault there; only the fuzz targets link libFuzzer itself.
  target_compile_options(sondrel_build_cfg INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(sondrel_build_cfg INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

set(SONDREL_BASE_WARNINGS -Wall -Wextra -Wpedantic)
# Shadowed names, copies through a base pointer without a virtual destructor, hidden overloads,
# casts that drop const, and C casts that hide which conversion is meant.
set(SONDREL_FULL_WARNINGS ${SONDREL_BASE_WARNINGS} -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual
  -Wold-style-cast)

add_library(sondrel_common_cfg INTERFACE)
target_compile_options(sondrel_common_cfg INTERFACE ${SONDREL_FULL_WARNINGS})
target_link_libraries(sondrel_common_cfg INTERFACE sondrel_build_cfg)

add_library(sondrel_tests_cfg INTERFACE)
if(SONDREL_STRICT_TESTS)
  target_link_libraries(sondrel_tests_cfg INTERFACE sondrel_common_cfg)
else()
  target_compile_options(sondrel_tests_cfg INTERFACE ${SONDREL_BASE_WARNINGS})
  target_link_libraries(sondrel_tests_cfg INTERFACE sondrel_build_cfg)
endif()
