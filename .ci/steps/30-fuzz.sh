#!/usr/bin/env bash
# Builds the libFuzzer target with clang 14 (with AddressSanitizer and
# UndefinedBehaviorSanitizer) in its own build directory and fuzzes the
# waypoint loader and the phases for two minutes from a fixed seed. The
# fuzzer works on a copy of fuzz/corpus, so the repository is never
# written. Any crash, sanitizer report, timeout or memory blow-up fails the
# step; the input that caused it is kept in build-fuzz/findings/ and should
# be added to fuzz/corpus/ once fixed.
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

status=0
"$build/fuzz/fuzz_waypoint" \
  -seed="${TESSIVAR_FUZZ_SEED:-20261208}" \
  -max_total_time="${TESSIVAR_FUZZ_SECONDS:-120}" \
  -timeout=10 -malloc_limit_mb=1024 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$findings/" \
  "$work/corpus" >"$work/log" 2>&1 || status=$?
# The full log is long: show the start, the last progress lines (with the
# coverage reached), the final statistics, and on failure the report.
grep -E '^INFO: (Seed|Loaded|seed corpus)' "$work/log" || true
grep -E '^#[0-9]+' "$work/log" | tail -n 3 || true
grep -E '^(Done [0-9]+ runs|stat::)' "$work/log" || true
[ "$status" -eq 0 ] || tail -n 60 "$work/log"

found=("$findings"/*)
if [ "$status" -ne 0 ] || [ -e "${found[0]}" ]; then
  echo "fuzzing failed (status $status); inputs kept in $findings:" >&2
  ls -l "$findings" >&2 || true
  exit 1
fi
echo "fuzzing found nothing"
