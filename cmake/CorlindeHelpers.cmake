# Shared build settings for every target of the project.

set(CORLINDE_WARNINGS -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow)

if(CORLINDE_SANITIZE)
  add_compile_options(-fsanitize=${CORLINDE_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${CORLINDE_SANITIZE})
  if(CORLINDE_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=all)
  endif()
endif()

if(CORLINDE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/cmake/fuzz-coverage-ignore.txt)
  add_link_options(-fsanitize=address,undefined)
  add_custom_target(corlinde_fuzzers)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzzers.txt "")
endif()

# corlinde_warnings(target): the project's warning set, errors when CORLINDE_WERROR.
function(corlinde_warnings target)
  target_compile_options(${target} PRIVATE ${CORLINDE_WARNINGS})
  if(CORLINDE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# corlinde_test_optimization(target): test code compiles with -Og in the optimised build
# types. At -O3 GCC spends about four fifths of a test unit's compile time optimising the
# expanded GoogleTest assertions and fixtures (-Og: half the unit's -O3 time, and a failing
# test stays debuggable); the work the tests drive runs in the libraries they link, which
# keep the build type's flags. Debug builds keep -O0.
function(corlinde_test_optimization target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-Og>)
endfunction()

# corlinde_test_headers(target): GoogleTest and the standard headers most tests include,
# precompiled once (in corlinde_test_headers) and reused by every test unit: they are about
# half of a test unit's compile time at -Og. GCC takes a precompiled header only from a
# compilation with the same options (it reads a mismatching one as plain text again, or,
# for another -O level, can fail outright), so the users are object libraries compiled
# like the donor: -fPIC, the warning set and corlinde_test_optimization.
function(corlinde_test_headers target)
  if(NOT TARGET corlinde_test_headers)
    # Written only when it changes, so that a new configure run does not rebuild it.
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/corlinde_test_headers.cpp
         CONTENT "// the precompiled test headers\n")
    add_library(corlinde_test_headers OBJECT ${CMAKE_BINARY_DIR}/corlinde_test_headers.cpp)
    target_link_libraries(corlinde_test_headers PRIVATE GTest::gtest)
    # The same definitions as its users, whose compilations take its precompiled header.
    target_compile_definitions(corlinde_test_headers PRIVATE ${CORLINDE_FIGURES_DEFINITION})
    corlinde_warnings(corlinde_test_headers)
    corlinde_test_optimization(corlinde_test_headers)
    target_precompile_headers(corlinde_test_headers PRIVATE
      <gtest/gtest.h> <algorithm> <cmath> <cstdint> <cstdio> <cstdlib> <cstring> <fstream>
      <limits> <string> <vector>)
  endif()
  target_precompile_headers(${target} REUSE_FROM corlinde_test_headers)
  target_compile_definitions(${target} PRIVATE ${CORLINDE_FIGURES_DEFINITION})
endfunction()

# Where the tests record the figures the READMEs quote (testsupport/Figures.h).
set(CORLINDE_FIGURES_DEFINITION CORLINDE_FIGURES_DIR="${CMAKE_BINARY_DIR}/figures")

# Tests that need an X display run under their own Xvfb: PREFIX ${CORLINDE_XVFB_RUN}
set(CORLINDE_XVFB_RUN xvfb-run -a -s "-screen 0 1280x1024x24 -noreset +extension XTEST")

# corlinde_add_gtest(name SOURCES ... LIBS ... [DEFINITIONS ...] [INCLUDES ...]
#                    [RUNS target...] [LABELS ...] [PREFIX cmd...] [SHARDS n]
#                    [FULL_OPTIMIZATION])
# One GoogleTest executable registered with CTest: one CTest test per binary,
# or with SHARDS n, n CTest tests (name_shard0 ...) that each run every n-th
# test of the binary through GoogleTest's sharding, so that ctest -j spreads a
# long suite (sanitizer builds) over the cores.
# The sources compile as one unity source in the object library name_objects:
# each test source pulls in GoogleTest's headers, which cost more to compile
# than most tests themselves. DEFINITIONS and INCLUDES apply to them.
# RUNS: targets the test runs or reads at run time (the plug-in, the host, the
#       firmware). The executable waits for them at its link; its sources do
#       not (a target's own sources would wait for every executable and custom
#       target it depends on, in case those generate headers).
# FULL_OPTIMIZATION: the sources keep the build type's optimisation instead of -Og
#         (corlinde_test_optimization), for a test whose own loops are its run time; they
#         parse GoogleTest themselves (corlinde_test_headers is compiled at -Og).
# LABELS: "threads" marks cross-thread tests, which CI also runs under TSan;
#         "x11" marks tests that need an X display (CI provides Xvfb).
function(corlinde_add_gtest name)
  if(NOT CORLINDE_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "FULL_OPTIMIZATION" "SHARDS" "SOURCES;LIBS;DEFINITIONS;INCLUDES;RUNS;LABELS;PREFIX" ${ARGN})
  add_library(${name}_objects OBJECT ${ARG_SOURCES})
  target_link_libraries(${name}_objects PUBLIC ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${name}_objects PRIVATE ${ARG_DEFINITIONS} ${CORLINDE_FIGURES_DEFINITION})
  target_include_directories(${name}_objects PRIVATE ${ARG_INCLUDES})
  set_target_properties(${name}_objects PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  corlinde_warnings(${name}_objects)
  if(NOT ARG_FULL_OPTIMIZATION)
    corlinde_test_optimization(${name}_objects)
    corlinde_test_headers(${name}_objects)
  endif()
  add_executable(${name})
  # LIBS again: an object library among them gives its objects only to a direct link.
  target_link_libraries(${name} PRIVATE ${name}_objects ${ARG_LIBS} GTest::gtest_main)
  if(ARG_RUNS)
    add_dependencies(${name} ${ARG_RUNS})
  endif()
  set(tests "")
  if(ARG_SHARDS)
    math(EXPR lastShard "${ARG_SHARDS} - 1")
    foreach(shard RANGE ${lastShard})
      add_test(NAME ${name}_shard${shard} COMMAND ${ARG_PREFIX} $<TARGET_FILE:${name}>)
      set_tests_properties(${name}_shard${shard} PROPERTIES
        ENVIRONMENT "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${shard}")
      list(APPEND tests ${name}_shard${shard})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${ARG_PREFIX} $<TARGET_FILE:${name}>)
    list(APPEND tests ${name})
  endif()
  set_tests_properties(${tests} PROPERTIES TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${tests} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# corlinde_add_benchmark(name SOURCES ... LIBS ...)
function(corlinde_add_benchmark name)
  if(NOT CORLINDE_BENCH)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  corlinde_warnings(${name})
endfunction()

# corlinde_add_fuzzer(name SOURCES ... LIBS ... CORPUS dir)
# A libFuzzer target; CI runs each one for a fixed time over its seed corpus.
function(corlinde_add_fuzzer name)
  if(NOT CORLINDE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  corlinde_warnings(${name})
  add_dependencies(corlinde_fuzzers ${name})
  file(APPEND ${CMAKE_BINARY_DIR}/fuzzers.txt "${CMAKE_CURRENT_BINARY_DIR}/${name} ${ARG_CORPUS}\n")
endfunction()
