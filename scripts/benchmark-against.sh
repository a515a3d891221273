#!/usr/bin/env bash
# Compares whole runs of tessivar as built from another commit (old) with
# this tree (new) on the same maps, run alternately so both see the same
# machine: best and median wall time of REPEAT runs each, peak memory, and
# whether the reports are the same apart from the times.
#
#   scripts/benchmark-against.sh REV [MAP...]
#   REPEAT=15 scripts/benchmark-against.sh main~5 r1024.wpt
#
# Without maps: generated ones of both numberings (256 to 2048), a grid
# and a random graph.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: $0 REV [MAP...]" >&2; exit 2; }
rev=$1; shift
repeat=${REPEAT:-5}
work=$(mktemp -d)
trap 'git worktree remove --force "$work/old" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target tessivar wptgen tessivar_bench >/dev/null
git worktree add --detach "$work/old" "$rev" >/dev/null 2>&1
cmake -S "$work/old" -B "$work/old-build" -DCMAKE_BUILD_TYPE=Release \
  -DTESSIVAR_BUILD_TESTS=OFF >/dev/null
cmake --build "$work/old-build" -j2 --target tessivar >/dev/null
bench=build/bench/tessivar_bench

maps=("$@")
if [ ${#maps[@]} -eq 0 ]; then
  for form in realistic walked; do
    for n in 256 512 1024 2048; do
      build/wptgen "$form" "$n" 1 "$work/${form}_$n.wpt" >/dev/null
      maps+=("$work/${form}_$n.wpt")
    done
  done
  build/wptgen grid 45 45 "$work/grid_45x45.wpt" >/dev/null
  build/wptgen random 1024 1 "$work/random_1024.wpt" >/dev/null
  maps+=("$work/grid_45x45.wpt" "$work/random_1024.wpt")
fi

# "min median" of the numbers on standard input.
summary() { sort -n | awk '{v[NR]=$1} END {printf "%.4f / %.4f", v[1], v[int((NR+1)/2)]}'; }
without_times() { tr '\r' '\n' <"$1" | grep -v ' took '; }

echo "| map | old s (best / median) | old peak MiB | new s (best / median) | new peak MiB | reports | load |"
echo "|---|---:|---:|---:|---:|---|---:|"
for map in "${maps[@]}"; do
  load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
  : >"$work/old.times"; : >"$work/new.times"
  for _ in $(seq "$repeat"); do
    for side in old new; do
      binary=build/tessivar
      [ "$side" = old ] && binary="$work/old-build/tessivar"
      read -r wall rss < <("$bench" whole "$binary" "$map" "$work/$side.txt")
      echo "$wall" >>"$work/$side.times"
      echo "$rss" >"$work/$side.rss"
    done
  done
  same=different
  if cmp -s <(without_times "$work/old.txt") <(without_times "$work/new.txt"); then same=same; fi
  printf "| %s | %s | %.1f | %s | %.1f | %s | %s |\n" "$(basename "$map" .wpt)" \
    "$(summary <"$work/old.times")" "$(awk '{print $1/1024}' "$work/old.rss")" \
    "$(summary <"$work/new.times")" "$(awk '{print $1/1024}' "$work/new.rss")" "$same" "$load"
done
