#!/usr/bin/env bash
# Benchmarks tessivar on generated maps of both forms (realistic: rooms
# numbered round robin; walked: numbered the way a person places
# waypoints) and prints a table: the pass counts and times of the
# reachability and pathing phases (from the report), the whole run from
# start to exit (best of REPEAT runs), the peak resident memory, the
# reference model's time where it finishes within REFERENCE_LIMIT seconds,
# and the peer: the same map solved by Boost.Graph's Johnson all-pairs
# shortest paths, whole process (best of REPEAT runs).
#
#   scripts/benchmark.sh [SIZE...]        default sizes: 256 512 1024 2048 4096
#   REPEAT=5 REFERENCE_LIMIT=60 SEED=1 FORMS="realistic walked" scripts/benchmark.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repeat=${REPEAT:-3}
limit=${REFERENCE_LIMIT:-60}
seed=${SEED:-1}
forms=(${FORMS:-realistic walked})
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(256 512 1024 2048 4096)

# Boost.Graph for the peer column; the tools themselves need nothing.
bash scripts/install-deps.sh build peer >/dev/null || echo "(no Boost.Graph: no peer column)" >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target tessivar wptgen tessivar_bench >/dev/null
peer=""
if cmake --build build -j2 --target johnson_peer >/dev/null 2>&1; then peer=build/bench/johnson_peer; fi
bench=build/bench/tessivar_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The value of the n-th "<what> took X second(s)" line of a report.
took() { tr '\r' '\n' <"$1" | grep "^$2 took" | sed -n "${3}p" | awk '{print $3}'; }
smaller() { awk "BEGIN{exit !($1 < $2)}"; }

echo "| N | form | reach passes | reach s | pathing passes | pathing s | whole run s | peak RSS MiB | bytes/cell | reference s (reach + pathing) | times faster | peer s | load |"
echo "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for form in "${forms[@]}"; do
  previous_reference=""
  for n in "${sizes[@]}"; do
    map="$work/${form}_$n.wpt"
    build/wptgen "$form" "$n" "$seed" "$map" >/dev/null
    # The 1-minute load average as the runs start: the machine may be
    # shared, and the pathing phase uses a second thread only when a core
    # is idle.
    load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
    best="" peak=0
    for _ in $(seq "$repeat"); do
      read -r wall rss < <("$bench" whole build/tessivar "$map" "$work/report.txt")
      if [ -z "$best" ] || smaller "$wall" "$best"; then best=$wall; fi
      [ "$rss" -gt "$peak" ] && peak=$rss
    done
    report="$work/report.txt"
    reach_passes=$(tr '\r' '\n' <"$report" | sed -n 's/^Built reachability matrix in \([0-9]*\) iterations/\1/p')
    path_passes=$(tr '\r' '\n' <"$report" | sed -n 's/^Built pathing block in \([0-9]*\) iterations/\1/p')
    reach_s=$(took "$report" Building 1)
    path_s=$(took "$report" Building 2)
    per_cell=$(awk "BEGIN{printf \"%.1f\", $peak * 1024 / ($n * $n)}")
    # The reference grows as N^3 per pass: skip it where the last size's
    # time says it would not finish within the limit.
    reference="> ${limit} s" factor="-"
    if [ -z "$previous_reference" ] ||
       awk "BEGIN{exit !($previous_reference * 8 <= $limit * 1.5)}"; then
      if out=$(timeout "$limit" "$bench" reference "$map"); then
        read -r ref_reach ref_path _ _ <<<"$out"
        previous_reference=$(awk "BEGIN{print $ref_reach + $ref_path}")
        reference="$previous_reference ($ref_reach + $ref_path)"
        factor=$(awk "BEGIN{printf \"%.0f\", $previous_reference / $best}")
      else
        previous_reference=1e9
      fi
    fi
    peer_best="-"
    if [ -n "$peer" ]; then
      for _ in $(seq "$repeat"); do
        read -r wall _ < <("$bench" whole "$peer" "$map" "$work/peer.txt")
        if [ "$peer_best" = "-" ] || smaller "$wall" "$peer_best"; then peer_best=$wall; fi
      done
    fi
    printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n" "$n" "$form" \
      "$reach_passes" "$reach_s" "$path_passes" "$path_s" "$best" \
      "$(awk "BEGIN{printf \"%.1f\", $peak / 1024}")" "$per_cell" "$reference" "$factor" \
      "$peer_best" "$load"
  done
done
