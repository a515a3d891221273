#!/usr/bin/env bash
# Builds the libFuzzer target with clang 14 (with AddressSanitizer and
# UndefinedBehaviorSanitizer) in its own build directory and fuzzes the
# waypoint loader and the phases for two minutes of processor time: one
# fuzzer per core, each from a fixed seed of its own (the first is
# TESSIVAR_FUZZ_SEED), sharing one corpus, so the two minutes take one on
# two cores. The fuzzers work on a copy of fuzz/corpus, so the repository is
# never written. Any crash, sanitizer report, timeout or memory blow-up
# fails the step; the input that caused it is kept in build-fuzz/findings/
# and should be added to fuzz/corpus/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh build fuzz

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS \
  -DTESSIVAR_FUZZ=ON -DTESSIVAR_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_waypoint

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -R fuzz/corpus "$work/corpus"
findings="$build/findings"
rm -rf "$findings"
mkdir -p "$findings"

seed="${TESSIVAR_FUZZ_SEED:-20261208}"
workers="$(nproc)"
seconds=$(( (${TESSIVAR_FUZZ_SECONDS:-120} + workers - 1) / workers ))
pids=()
for worker in $(seq 0 $((workers - 1))); do
  "$build/fuzz/fuzz_waypoint" \
    -seed=$((seed + worker)) -max_total_time="$seconds" \
    -timeout=10 -malloc_limit_mb=1024 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work/corpus" >"$work/log$worker" 2>&1 &
  pids+=($!)
done
status=0
for worker in $(seq 0 $((workers - 1))); do
  worker_status=0
  wait "${pids[$worker]}" || worker_status=$?
  # The full log is long: show the start, the last progress lines (with
  # the coverage reached), the final statistics, and on failure the report.
  log="$work/log$worker"
  echo "--- fuzzer $worker (seed $((seed + worker)), $seconds s)"
  grep -E '^INFO: (Seed|Loaded|seed corpus)' "$log" || true
  grep -E '^#[0-9]+' "$log" | tail -n 3 || true
  grep -E '^(Done [0-9]+ runs|stat::)' "$log" || true
  if [ "$worker_status" -ne 0 ]; then
    tail -n 60 "$log"
    status=$worker_status
  fi
done

found=("$findings"/*)
if [ "$status" -ne 0 ] || [ -e "${found[0]}" ]; then
  echo "fuzzing failed (status $status); inputs kept in $findings:" >&2
  ls -l "$findings" >&2 || true
  exit 1
fi
echo "fuzzing found nothing"
