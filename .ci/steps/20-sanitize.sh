#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (Debug, so the standard library checks its bounds too) in its own build
# directory and runs the whole test suite. A sanitizer report ends the test
# process, so any finding fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh build

build=build-sanitize
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTESSIVAR_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -LE slow
