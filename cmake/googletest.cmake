# GoogleTest for the test suites and the test executables. A native build
# uses the installed package (libgtest-dev). A cross build can't link the
# host's libraries, so it builds GoogleTest from source with the project's
# compiler: from TESSIVAR_GTEST_SOURCE, by default /usr/src/googletest
# (Debian's googletest package).
set(TESSIVAR_GTEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest sources, built with the project in cross builds")

# Test sources are compiled at -O1, or -O0 in a Debug build, whatever the
# build type: the libraries they test keep the build's own flags, and the
# test code itself, GoogleTest's macros and templates above all, compiles
# in some 45% less time, at little cost to how long the tests run.
function(tessivar_test_compile_options target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE $<IF:$<CONFIG:Debug>,-O0,-O1>)
  endif()
endfunction()

if(CMAKE_CROSSCOMPILING)
  if(NOT EXISTS ${TESSIVAR_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "A cross build builds GoogleTest from source: no "
            "sources in ${TESSIVAR_GTEST_SOURCE} (apt-get install googletest, "
            "or set TESSIVAR_GTEST_SOURCE)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TESSIVAR_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own code is test code too.
  tessivar_test_compile_options(gtest)
  tessivar_test_compile_options(gtest_main)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# How CTest runs the cases of a test executable:
#   0  every case as a test of its own, in a process of its own
#      (gtest_discover_tests): the default natively;
#   N  each executable as N tests, each running an Nth of its cases in one
#      process (GoogleTest's sharding), side by side under `ctest -jN`. A
#      cross build can only do this (listing the cases would start the
#      emulator at build time); elsewhere it spares the start of a process
#      per case where starts cost most, as in the sanitizer build (about a
#      fifth of a second each). Each shard writes its cases' results as
#      XML to test-results/ in its build folder.
if(CMAKE_CROSSCOMPILING)
  set(TESSIVAR_TEST_SHARDS 4 CACHE STRING
      "Tests per test executable, each running a share of its cases")
  if(NOT TESSIVAR_TEST_SHARDS GREATER 0)
    message(FATAL_ERROR "A cross build runs each test executable whole, in "
            "shards: TESSIVAR_TEST_SHARDS must be 1 or more")
  endif()
else()
  set(TESSIVAR_TEST_SHARDS 0 CACHE STRING
      "Tests per test executable, each running a share of its cases (0: one per case)")
endif()

# Cases the ordinary test run leaves out besides the slow ones: GoogleTest
# patterns separated by ':' (the sanitizer step leaves out the longest
# pathing sweeps, which the ordinary build runs).
set(TESSIVAR_TEST_EXCLUDE "" CACHE STRING
    "GoogleTest patterns (':' between them) of cases the ordinary run leaves out")
set(TESSIVAR_TEST_FILTER "-Slow*:*/Slow*")
if(TESSIVAR_TEST_EXCLUDE)
  string(APPEND TESSIVAR_TEST_FILTER ":${TESSIVAR_TEST_EXCLUDE}")
endif()

# GoogleTest's header, precompiled once for every test executable (each
# takes it from this target): it takes over a second to read in each test
# file, and several to precompile. The test executables add definitions of
# their own, none of which the header reads.
if(TESSIVAR_BUILD_TESTS)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/gtest_header.cpp
       CONTENT "// Nothing: the target is there for its precompiled header.\n")
  add_library(tessivar_gtest_header OBJECT ${PROJECT_BINARY_DIR}/gtest_header.cpp)
  target_link_libraries(tessivar_gtest_header PRIVATE GTest::gtest)
  target_include_directories(tessivar_gtest_header PRIVATE ${PROJECT_SOURCE_DIR})
  target_precompile_headers(tessivar_gtest_header PRIVATE <gtest/gtest.h>)
  tessivar_test_compile_options(tessivar_gtest_header)
endif()

# tessivar_add_test(NAME
#                   SOURCES file...        the test files
#                   LIBRARIES target...    what they test
#                   RUNS tool...           executables the tests start
#                   DEFINITIONS name=value...)
#
# One test executable, linked with the shared test helpers (tessivar_testing)
# and GoogleTest's main. Each tool it RUNS is built before it and named to
# the tests by a compile definition holding its path: tessivar as
# TESSIVAR_BINARY, tessivar-svg as TESSIVAR_SVG_BINARY, and so on. A tool
# this build does not make is left out, so tests that start it can be
# guarded with #ifdef; list a tool only after the folder that makes it has
# been added.
#
# The tests are registered with CTest as TESSIVAR_TEST_SHARDS says: every
# case on its own, or the executable in shards (in a cross build run through
# the cross-compiling emulator, Wine). Suites named Slow* are the long
# sweeps: label `slow`, left out of the default run (scripts/run-tests.sh
# runs `ctest -LE slow`); in shards they are one more test, NAME_slow.
function(tessivar_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LIBRARIES;RUNS;DEFINITIONS")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tessivar_add_test(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} tessivar_testing
                        GTest::gtest GTest::gtest_main)
  target_precompile_headers(${name} REUSE_FROM tessivar_gtest_header)
  tessivar_test_compile_options(${name})
  target_compile_definitions(${name} PRIVATE
    TESSIVAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ${ARG_DEFINITIONS})
  foreach(tool ${ARG_RUNS})
    if(NOT TARGET ${tool})
      continue()
    endif()
    string(TOUPPER "${tool}" macro)
    string(REPLACE "-" "_" macro "${macro}")
    target_compile_definitions(${name} PRIVATE
      ${macro}_BINARY="$<TARGET_FILE:${tool}>")
    add_dependencies(${name} ${tool})
  endforeach()

  if(TESSIVAR_TEST_SHARDS GREATER 0)
    math(EXPR last "${TESSIVAR_TEST_SHARDS} - 1")
    foreach(shard RANGE ${last})
      add_test(NAME ${name}_shard${shard} COMMAND ${name} --gtest_filter=${TESSIVAR_TEST_FILTER})
      set_tests_properties(${name}_shard${shard} PROPERTIES ENVIRONMENT
        "GTEST_TOTAL_SHARDS=${TESSIVAR_TEST_SHARDS};GTEST_SHARD_INDEX=${shard};GTEST_OUTPUT=xml:test-results/${name}_shard${shard}.xml")
    endforeach()
    add_test(NAME ${name}_slow COMMAND ${name} --gtest_filter=Slow*:*/Slow*)
    set_tests_properties(${name}_slow PROPERTIES LABELS slow
      ENVIRONMENT "GTEST_OUTPUT=xml:test-results/${name}_slow.xml")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         TEST_FILTER "${TESSIVAR_TEST_FILTER}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         TEST_FILTER "Slow*:*/Slow*" PROPERTIES LABELS slow)
  endif()
endfunction()
