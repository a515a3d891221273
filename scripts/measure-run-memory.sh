#!/usr/bin/env bash
# Measures how much memory a whole run takes beyond the arrays the memory
# check counts (waypoint/memory_budget.h), on the six-waypoint example and
# generated realistic maps, and the smallest address-space limit under which
# tessivar runs the example. The check's headroom is set from these numbers.
#
#   scripts/measure-run-memory.sh [SIZE...]    default sizes: 100 255 512 1024 2048
#
# Columns (MiB): the arrays the check counts; how far peak address space
# and peak resident memory rose above what the process had before the run,
# less those arrays (negative: the count is generous); the address space
# still mapped after the run (tens of MiB when the pathing phase ran a
# second thread, which happens only when a core is idle).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100 255 512 1024 2048)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target tessivar wptgen run_memory >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "| map | N | counted arrays | address space beyond | resident beyond | mapped after the run | load |"
echo "|---|---:|---:|---:|---:|---:|---:|"
row() {
  local name=$1 map=$2 load
  load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
  read -r n counted space resident after < <(build/bench/run_memory "$map")
  echo "| $name | $n | $counted | $space | $resident | $after | $load |"
}
row example examples/six_waypoints.wpt
for n in "${sizes[@]}"; do
  build/wptgen realistic "$n" 1 "$work/realistic_$n.wpt" >/dev/null
  row "realistic $n" "$work/realistic_$n.wpt"
done

# The smallest RLIMIT_AS (in MiB) under which the example runs to the end:
# the program's own mappings plus what the check asks for.
if command -v prlimit >/dev/null; then
  for mib in $(seq 2 64); do
    if prlimit --as=$((mib << 20)) build/tessivar examples/six_waypoints.wpt \
         >/dev/null 2>&1; then
      echo
      echo "examples/six_waypoints.wpt runs under an address-space limit of $mib MiB"
      break
    fi
  done
fi
