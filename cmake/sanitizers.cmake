# Instrumented builds for hostile-input testing.
#
#   -DTESSIVAR_SANITIZE=ON  AddressSanitizer and UndefinedBehaviorSanitizer on
#                           every target; any report ends the process.
#   -DTESSIVAR_TSAN=ON      ThreadSanitizer on every target (alone: it can't
#                           be combined with the two above); the CI step
#                           .ci/steps/25-thread-sanitize.sh builds only the
#                           pathing engine's thread tests with it.
#   -DTESSIVAR_FUZZ=ON      (clang only) coverage instrumentation for
#                           libFuzzer on every target, plus the sanitizers
#                           above; the fuzz executables in fuzz/ link the
#                           libFuzzer driver (TESSIVAR_FUZZ_LINK_FLAGS).
option(TESSIVAR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESSIVAR_FUZZ "Build the libFuzzer targets (clang only)" OFF)
option(TESSIVAR_TSAN "Build with ThreadSanitizer" OFF)

if(TESSIVAR_TSAN AND (TESSIVAR_SANITIZE OR TESSIVAR_FUZZ))
  message(FATAL_ERROR "TESSIVAR_TSAN=ON can't be combined with TESSIVAR_SANITIZE "
                      "or TESSIVAR_FUZZ: ThreadSanitizer runs alone")
endif()

if(TESSIVAR_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "TESSIVAR_FUZZ=ON needs clang (for example "
                      "-DCMAKE_CXX_COMPILER=clang++-14); "
                      "${CMAKE_CXX_COMPILER_ID} has no libFuzzer")
endif()

set(TESSIVAR_SANITIZER_FLAGS "")
if(TESSIVAR_SANITIZE OR TESSIVAR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "Sanitizer builds need g++ or clang")
  endif()
  list(APPEND TESSIVAR_SANITIZER_FLAGS
       -fsanitize=address,undefined -fno-sanitize-recover=all
       -fno-omit-frame-pointer)
  # g++ leaves float-to-integer overflow out of "undefined"; clang has it in.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND TESSIVAR_SANITIZER_FLAGS -fsanitize=float-cast-overflow)
  endif()
endif()

if(TESSIVAR_TSAN)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "ThreadSanitizer builds need g++ or clang")
  endif()
  list(APPEND TESSIVAR_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()

if(TESSIVAR_SANITIZER_FLAGS)
  add_compile_options(${TESSIVAR_SANITIZER_FLAGS})
  add_link_options(${TESSIVAR_SANITIZER_FLAGS})
  # Lets tests that cannot work under the sanitizers' address-space
  # reservation (hard RLIMIT_AS limits) skip themselves.
  add_compile_definitions(TESSIVAR_SANITIZED=1)
endif()

if(TESSIVAR_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=fuzzer-no-link)
  set(TESSIVAR_FUZZ_LINK_FLAGS -fsanitize=fuzzer)
endif()
