#!/usr/bin/env bash
# Runs the pathing engine's two-thread tests under ThreadSanitizer: the two
# threads share the matrix and the per-block bounds without locks, handing
# each column over through a release store and an acquire load
# (analysis/pathing_sweep.h says why that is enough), and ThreadSanitizer
# checks every access against that hand-over. Only the libraries and the one
# test executable they need are built (TESSIVAR_TSAN, pathing_thread_tests),
# in a Debug build at -O1 with line tables, as in 20-sanitize.sh; a report
# ends the process, so any finding fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh build

build=build-tsan
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
  -DTESSIVAR_TSAN=ON -DTESSIVAR_BUILD_TOOLS=OFF -DTESSIVAR_BUILD_BENCHMARKS=OFF \
  >/dev/null
cmake --build "$build" -j"$(nproc)" --target pathing_thread_tests

export TSAN_OPTIONS="halt_on_error=1:abort_on_error=1:second_deadlock_stack=1"
"$build/pathing_thread_tests" --gtest_filter='*TwoThreads*:PathingSweepThreads.*' --gtest_brief=1
