#!/usr/bin/env bash
# Builds the libraries, the tools and the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in its own build directory and runs the whole
# test suite. A Debug build, so assertions and the standard library's own
# checks (_GLIBCXX_ASSERTIONS) are on; the libraries and tools optimised at
# -O1 as the sanitizers advise, which makes the tests several times faster
# than at -O0 (the test sources themselves at -O0, which compiles faster:
# cmake/googletest.cmake), and with line tables only (-g1), all a sanitizer
# report needs to name files and lines, which compiles a quarter faster than
# -g; without the map generator and the benchmark drivers, which no test
# here runs. Each test executable runs in four shards of one process each
# (TESSIVAR_TEST_SHARDS), two at a time, rather than a process per case
# (four rather than two: in two, the long cases fell one shard 75 s and the
# other 36 s): a
# sanitized test process takes about a fifth of a second to start and end,
# which over the suite's 500-odd cases was half the step's test time.
# Three of the pathing engine's four long sweeps against the reference
# model are left out here (TESSIVAR_TEST_EXCLUDE): hundreds of small random
# maps, and realistic and walked maps of up to 180 waypoints, every engine
# case on each, over a minute of processor time under the sanitizers; the
# ordinary build runs them, and here every engine case still runs on the
# maps of 1 to 140 waypoints around the block and group edges
# (MixedStructuresAcrossGroupAndBlockEdges), on grids and on the small maps
# of the parameterised tests. A sanitizer report ends the test process, so
# any finding fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh build

build=build-sanitize
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
  -DTESSIVAR_SANITIZE=ON -DTESSIVAR_BUILD_TOOLS=OFF -DTESSIVAR_BUILD_BENCHMARKS=OFF \
  -DTESSIVAR_TEST_SHARDS=4 \
  -DTESSIVAR_TEST_EXCLUDE="PathingSweepEngines.HundredsOfSmallRandomGraphs:PathingSweepEngines.RealisticMaps:PathingSweepEngines.WalkedMaps" \
  >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -LE slow
