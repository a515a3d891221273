#!/usr/bin/env bash
# Benchmarks tessivar-islands on generated maps of 32767 waypoints and prints
# a table: path entries, networks and islands; the in-process times (best of
# REPEAT) of finding the networks, the islands (suggested paths included)
# and the suggested paths alone; the same suggestions found by trying every
# pair, where BRUTE=1; a whole run of the binary (--json, best of REPEAT)
# and its peak resident memory; its instruction count under callgrind,
# where INSTRUCTIONS=1 and valgrind is installed (repeatable on a loaded
# machine, unlike times); and the 1-minute load average as the map's runs
# start.
#
#   scripts/benchmark-islands.sh
#   REPEAT=5 BRUTE=1 INSTRUCTIONS=1 scripts/benchmark-islands.sh
#
# The maps: one-way chains up and down the numbering (32766 islands each),
# a realistic map (121206 paths), a map of islands of every kind (100886
# paths) and the same with paths added inside its networks to 130000, a
# grid main network of 16384 with 16383 orphans scattered over it, and the
# grid high above 16383 pits none of which can be walked out of.
set -euo pipefail
cd "$(dirname "$0")/.."
repeat=${REPEAT:-3}
brute=${BRUTE:-0}
instructions=${INSTRUCTIONS:-0}

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target tessivar-islands islands_bench >/dev/null
bench=build/bench/islands_bench
binary=build/islands/tessivar-islands
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$instructions" = 1 ] && ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed: no instruction counts" >&2
  instructions=0
fi

echo "| map | paths | networks | islands | networks s | islands s | suggested paths s | every pair s | whole run s | peak RSS MiB | instructions (whole run) | load |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for name in $("$bench" maps "$work"); do
  map="$work/$name.wpt"
  load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
  read -r _ paths networks islands net_s isl_s sug_s < <("$bench" phases "$map" "$repeat")
  every="-"
  [ "$brute" = 1 ] && every=$("$bench" brute "$map")
  best="" peak=0
  for _ in $(seq "$repeat"); do
    read -r wall rss < <("$bench" whole "$binary" "$map" "$work/out.json")
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < $best)}"; then best=$wall; fi
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  count="-"
  if [ "$instructions" = 1 ]; then
    count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
              "$binary" --json "$map" 2>&1 >/dev/null |
            sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  fi
  printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n" \
    "$name" "$paths" "$networks" "$islands" "$net_s" "$isl_s" "$sug_s" \
    "$every" "$best" "$(awk "BEGIN{printf \"%.1f\", $peak / 1024}")" \
    "$count" "$load"
done
