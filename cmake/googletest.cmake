# GoogleTest for the test suites. A native build uses the installed
# package (libgtest-dev). A cross build can't link the host's libraries, so
# it builds GoogleTest from source with the project's compiler: from
# TESSIVAR_GTEST_SOURCE, by default /usr/src/googletest (Debian's
# googletest package).
#
# tessivar_add_gtests(target [LABELS ...]) registers a test executable:
# natively every test case on its own (gtest_discover_tests, Slow* suites
# under the label "slow"); in a cross build the whole executable as one
# test per group, run through the cross-compiling emulator (Wine), since
# listing the cases would start the emulator at build time.
set(TESSIVAR_GTEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest sources, built with the project in cross builds")

if(CMAKE_CROSSCOMPILING)
  if(NOT EXISTS ${TESSIVAR_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "A cross build builds GoogleTest from source: no "
            "sources in ${TESSIVAR_GTEST_SOURCE} (apt-get install googletest, "
            "or set TESSIVAR_GTEST_SOURCE)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TESSIVAR_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(tessivar_add_gtests target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target} --gtest_filter=-Slow*:*/Slow*)
    add_test(NAME ${target}_slow COMMAND ${target} --gtest_filter=Slow*:*/Slow*)
    set_tests_properties(${target}_slow PROPERTIES LABELS slow)
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                         TEST_FILTER "-Slow*:*/Slow*")
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                         TEST_FILTER "Slow*:*/Slow*" PROPERTIES LABELS slow)
  endif()
endfunction()
