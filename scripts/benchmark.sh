#!/usr/bin/env bash
# The benchmarks. Each subcommand builds what it needs (Release, in build/),
# measures on maps it generates (or ones given) and prints a Markdown table
# with the 1-minute load average as each map's runs start (the machine may
# be shared; the pathing phase uses a second thread only when a core is
# idle). Results and the machine are in BENCHMARKS.md.
#
#   scripts/benchmark.sh pathing [SIZE...]   tessivar on generated maps of
#       three forms (realistic: rooms numbered round robin; walked: numbered
#       the way a person places waypoints; depthfirst: the realistic rooms
#       renumbered by a depth-first walk from a seeded start, as a waypointer
#       walks but not in the walked form), default sizes 256 512 1024 2048
#       4096: the pass counts and times of the reachability and pathing
#       phases (from the report), the whole run from start to exit (best of
#       REPEAT), the peak resident memory (and that per cell), the reference
#       model's time where it finishes within REFERENCE_LIMIT seconds, and
#       the peer: the same map solved by Boost.Graph's Johnson all-pairs
#       shortest paths, whole process (best of REPEAT).
#       REPEAT=3 REFERENCE_LIMIT=60 SEED=1 FORMS="realistic walked depthfirst"
#   scripts/benchmark.sh against REV [MAP...]   whole runs of tessivar as
#       built from another commit (old) against this tree (new) on the same
#       maps, run alternately so both see the same machine: best and median
#       wall time of REPEAT runs each (default 5), peak memory, and whether
#       the reports are the same apart from the times. Without maps:
#       generated ones of the three forms (256 to 2048), a grid and a random
#       graph.
#   scripts/benchmark.sh islands   tessivar-islands on generated maps of
#       32767 waypoints: path entries, networks and islands; the in-process
#       times (best of REPEAT, default 3) of finding the networks, the
#       islands (suggested paths included) and the suggested paths alone;
#       the same suggestions found by trying every pair, where BRUTE=1; a
#       whole run of the binary (--json, best of REPEAT) and its peak
#       resident memory; its instruction count under callgrind, where
#       INSTRUCTIONS=1 and valgrind is installed (repeatable on a loaded
#       machine, unlike times). The maps: one-way chains up and down the
#       numbering (32766 islands each), a realistic map (121206 paths), a
#       map of islands of every kind (100886 paths) and the same with paths
#       added inside its networks to 130000, a grid main network of 16384
#       with 16383 orphans scattered over it, the grid high above 16383
#       pits none of which can be walked out of, and the search's worst
#       case: 16384 waypoints on a circle with 16383 orphans near its
#       centre, all at about the same distance from each orphan (circle;
#       `build/bench/islands_bench circle ORPHANS MAP` writes it with any
#       number of orphans).
#   scripts/benchmark.sh memory [SIZE...]   how much memory a whole run takes
#       beyond the arrays the memory check counts (waypoint/memory_budget.h),
#       on the six-waypoint example and generated realistic maps (default
#       100 255 512 1024 2048); the check's headroom is set from these. Columns (MiB): the counted arrays; how far peak address space
#       and peak resident memory rose above what the process had before the
#       run, less those arrays (negative: the count is generous); the
#       address space still mapped after the run (the second pathing
#       thread's stack, where it ran). The same for tessivar-islands from
#       the loaded map on, over those maps and the islands maps; and the
#       smallest address-space limit under which each tool runs the example.
#   scripts/benchmark.sh svg [SIZE...]   the writing of tessivar-svg's
#       picture alone, without the analysis, on generated realistic maps
#       (default 4096): best and median of REPEAT writes (default 7) to
#       memory and to a file.
#   scripts/benchmark.sh mend   tessivar-mend on generated maps of 32767
#       waypoints, each with the options shown: the one-way chain one unit
#       apart (32766 rounds), a field of orphans a front sweeps (about 360
#       rounds), a grid with orphans scattered over it, a realistic map and a
#       map of islands of every kind. Path entries, islands before, rounds,
#       paths added; the mending in the process (best of REPEAT, default 3);
#       the same mending with a whole analysis of the map every round, where
#       it finishes within WHOLE_LIMIT seconds (default 60); a whole run of
#       the binary (--json, best of REPEAT) and its peak resident memory.
#   scripts/benchmark.sh view   tessivar-view's page on generated maps of
#       32767 waypoints (realistic: 121206 paths; walked; islands of every
#       kind) in headless Chromium at 1366 x 768 (bench/view_bench.js):
#       the page's size, the first drawing (from the start of navigation,
#       best of 3) and when, before it, the script started, had decoded
#       the data and was ready to draw, a full drawing at the whole map, 4
#       and 16 times closer (median of 5), and the frames per second while
#       the view pans and zooms for SECONDS_EACH seconds each (default 3),
#       as the page shows them (the moved picture between full drawings)
#       and with every frame drawn in full. Installs Chromium and Node.js where missing and the npm
#       packages (npm ci) where node_modules lacks them.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 pathing [SIZE...] | against REV [MAP...] | islands |" \
       "memory [SIZE...] | svg [SIZE...] | mend | view" >&2
  exit 2
}
[ $# -ge 1 ] || usage
command=$1
shift

# --- what every subcommand shares

# Configures the Release build in build/ with the benchmarks and builds the
# targets named.
build_targets() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTESSIVAR_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build build -j2 --target "$@" >/dev/null
}

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

load() { cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?"; }
smaller() { awk "BEGIN{exit !($1 < $2)}"; }
mib() { awk "BEGIN{printf \"%.1f\", $1 / 1024}"; }
# "min / median" of the numbers on standard input.
best_and_median() { sort -n | awk '{v[NR]=$1} END {printf "%.4f / %.4f", v[1], v[int((NR+1)/2)]}'; }

# The head of a Markdown table: header NAME:ALIGN... (ALIGN l or r).
header() {
  local line="|" rule="|" column
  for column in "$@"; do
    line+=" ${column%:*} |"
    if [ "${column##*:}" = r ]; then rule+="---:|"; else rule+="---|"; fi
  done
  echo "$line"
  echo "$rule"
}
# One row of it: row VALUE...
row() {
  local line="|" value
  for value in "$@"; do line+=" $value |"; done
  echo "$line"
}

# Whole runs of a tool, REPEAT of them: best_run DRIVER BINARY MAP OUTPUT sets
# best (the smallest wall time, s) and peak (the largest resident memory, KiB).
best_run() {
  local driver=$1 binary=$2 map=$3 output=$4 wall rss
  best="" peak=0
  for _ in $(seq "$repeat"); do
    read -r wall rss < <("$driver" whole "$binary" "$map" "$output")
    if [ -z "$best" ] || smaller "$wall" "$best"; then best=$wall; fi
    if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
  done
}

# --- the subcommands

pathing() {
  repeat=${REPEAT:-3}
  local limit=${REFERENCE_LIMIT:-60} seed=${SEED:-1}
  local forms=(${FORMS:-realistic walked depthfirst}) sizes=("$@")
  [ ${#sizes[@]} -eq 0 ] && sizes=(256 512 1024 2048 4096)
  # Boost.Graph for the peer column; the tools themselves need nothing.
  bash scripts/install-deps.sh build peer >/dev/null || echo "(no Boost.Graph: no peer column)" >&2
  build_targets tessivar wptgen tessivar_bench
  local peer="" bench=build/bench/tessivar_bench
  if cmake --build build -j2 --target johnson_peer >/dev/null 2>&1; then peer=build/bench/johnson_peer; fi

  # The value of the n-th "<what> took X second(s)" line of a report.
  took() { tr '\r' '\n' <"$1" | grep "^$2 took" | sed -n "${3}p" | awk '{print $3}'; }

  header N:r form:l "reach passes:r" "reach s:r" "pathing passes:r" "pathing s:r" \
    "whole run s:r" "peak RSS MiB:r" bytes/cell:r "reference s (reach + pathing):r" \
    "times faster:r" "peer s:r" load:r
  local form n map report now previous_reference reference factor peer_best
  for form in "${forms[@]}"; do
    previous_reference=""
    for n in "${sizes[@]}"; do
      map="$work/${form}_$n.wpt"
      report="$work/report.txt"
      build/wptgen "$form" "$n" "$seed" "$map" >/dev/null
      now=$(load)
      best_run "$bench" build/tessivar "$map" "$report"
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
        local wall
        for _ in $(seq "$repeat"); do
          read -r wall _ < <("$bench" whole "$peer" "$map" "$work/peer.txt")
          if [ "$peer_best" = "-" ] || smaller "$wall" "$peer_best"; then peer_best=$wall; fi
        done
      fi
      row "$n" "$form" \
        "$(tr '\r' '\n' <"$report" | sed -n 's/^Built reachability matrix in \([0-9]*\) iterations/\1/p')" \
        "$(took "$report" Building 1)" \
        "$(tr '\r' '\n' <"$report" | sed -n 's/^Built pathing block in \([0-9]*\) iterations/\1/p')" \
        "$(took "$report" Building 2)" "$best" "$(mib "$peak")" \
        "$(awk "BEGIN{printf \"%.1f\", $peak * 1024 / ($n * $n)}")" \
        "$reference" "$factor" "$peer_best" "$now"
    done
  done
}

against() {
  [ $# -ge 1 ] || usage
  local rev=$1
  shift
  repeat=${REPEAT:-5}
  build_targets tessivar wptgen tessivar_bench
  cleanup() {
    git worktree remove --force "$work/old" >/dev/null 2>&1 || true
    rm -rf "$work"
  }
  git worktree add --detach "$work/old" "$rev" >/dev/null 2>&1
  cmake -S "$work/old" -B "$work/old-build" -DCMAKE_BUILD_TYPE=Release \
    -DTESSIVAR_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/old-build" -j2 --target tessivar >/dev/null
  local bench=build/bench/tessivar_bench

  local maps=("$@") form n
  if [ ${#maps[@]} -eq 0 ]; then
    for form in realistic walked depthfirst; do
      for n in 256 512 1024 2048; do
        build/wptgen "$form" "$n" 1 "$work/${form}_$n.wpt" >/dev/null
        maps+=("$work/${form}_$n.wpt")
      done
    done
    build/wptgen grid 45 45 "$work/grid_45x45.wpt" >/dev/null
    build/wptgen random 1024 1 "$work/random_1024.wpt" >/dev/null
    maps+=("$work/grid_45x45.wpt" "$work/random_1024.wpt")
  fi
  without_times() { tr '\r' '\n' <"$1" | grep -v ' took '; }

  header map:l "old s (best / median):r" "old peak MiB:r" "new s (best / median):r" \
    "new peak MiB:r" reports:l load:r
  local map now side binary wall rss same
  for map in "${maps[@]}"; do
    now=$(load)
    : >"$work/old.times"
    : >"$work/new.times"
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
    row "$(basename "$map" .wpt)" \
      "$(best_and_median <"$work/old.times")" "$(mib "$(cat "$work/old.rss")")" \
      "$(best_and_median <"$work/new.times")" "$(mib "$(cat "$work/new.rss")")" "$same" "$now"
  done
}

islands() {
  [ $# -eq 0 ] || usage
  repeat=${REPEAT:-3}
  local brute=${BRUTE:-0} instructions=${INSTRUCTIONS:-0}
  build_targets tessivar-islands islands_bench
  local bench=build/bench/islands_bench binary=build/islands/tessivar-islands
  if [ "$instructions" = 1 ] && ! command -v valgrind >/dev/null; then
    echo "valgrind is not installed: no instruction counts" >&2
    instructions=0
  fi

  header map:l paths:r networks:r islands:r "networks s:r" "islands s:r" \
    "suggested paths s:r" "every pair s:r" "whole run s:r" "peak RSS MiB:r" \
    "instructions (whole run):r" load:r
  local name map now paths networks islands net_s isl_s sug_s every count
  for name in $("$bench" maps "$work"); do
    map="$work/$name.wpt"
    now=$(load)
    read -r _ paths networks islands net_s isl_s sug_s < <("$bench" phases "$map" "$repeat")
    every="-"
    [ "$brute" = 1 ] && every=$("$bench" brute "$map")
    best_run "$bench" "$binary" "$map" "$work/out.json"
    count="-"
    if [ "$instructions" = 1 ]; then
      count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
                "$binary" --json "$map" 2>&1 >/dev/null |
              sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
    fi
    row "$name" "$paths" "$networks" "$islands" "$net_s" "$isl_s" "$sug_s" \
      "$every" "$best" "$(mib "$peak")" "$count" "$now"
  done
}

memory() {
  local sizes=("$@") n
  [ ${#sizes[@]} -eq 0 ] && sizes=(100 255 512 1024 2048)
  build_targets tessivar tessivar-svg tessivar-islands wptgen run_memory islands_bench

  header map:l N:r "counted arrays:r" "address space beyond:r" "resident beyond:r" \
    "mapped after the run:r" load:r
  memory_row() {
    local name=$1 map=$2 now n counted space resident after
    now=$(load)
    read -r n counted space resident after < <(build/bench/run_memory "$map")
    row "$name" "$n" "$counted" "$space" "$resident" "$after" "$now"
  }
  memory_row example examples/six_waypoints.wpt
  for n in "${sizes[@]}"; do
    build/wptgen realistic "$n" 1 "$work/realistic_$n.wpt" >/dev/null
    memory_row "realistic $n" "$work/realistic_$n.wpt"
  done

  # tessivar-islands, measured from the loaded map: the example, the same
  # realistic maps, and the islands benchmark's maps of 32767 waypoints.
  echo
  header "tessivar-islands map:l" N:r "counted arrays:r" "address space beyond:r" \
    "resident beyond:r" "mapped after the run:r" load:r
  islands_row() {
    local name=$1 map=$2 now n counted space resident after
    now=$(load)
    read -r n counted space resident after < <(build/bench/run_memory islands "$map")
    row "$name" "$n" "$counted" "$space" "$resident" "$after" "$now"
  }
  islands_row example examples/six_waypoints.wpt
  for n in "${sizes[@]}"; do
    islands_row "realistic $n" "$work/realistic_$n.wpt"
  done
  local name
  for name in $(build/bench/islands_bench maps "$work"); do
    islands_row "$name" "$work/$name.wpt"
  done

  # The smallest RLIMIT_AS (in MiB) under which each tool runs the example
  # to the end: the program's own mappings plus what its check asks for.
  if command -v prlimit >/dev/null; then
    echo
    local limit tool
    for tool in tessivar tessivar-svg tessivar-islands; do
      for limit in $(seq 2 64); do
        if prlimit --as=$((limit << 20)) "$(tool_binary "$tool")" examples/six_waypoints.wpt \
             $([ "$tool" = tessivar-svg ] && echo "$work/six.svg") >/dev/null 2>&1; then
          echo "$tool runs examples/six_waypoints.wpt under an address-space limit of $limit MiB"
          break
        fi
      done
    done
  fi
}

# The built binary of a tool.
tool_binary() {
  case "$1" in
    tessivar) echo build/tessivar ;;
    tessivar-svg) echo build/svg/tessivar-svg ;;
    tessivar-islands) echo build/islands/tessivar-islands ;;
  esac
}

svg() {
  local sizes=("$@") n now out
  [ ${#sizes[@]} -eq 0 ] && sizes=(4096)
  repeat=${REPEAT:-7}
  build_targets svg_bench

  header N:r "SVG bytes:r" "to memory ms (best / median):r" "to a file ms (best / median):r" load:r
  for n in "${sizes[@]}"; do
    now=$(load)
    out=$(build/bench/svg_bench "$n" "$repeat" "$work/picture.svg")
    row "$n" \
      "$(sed -n 's/^[0-9]* waypoints, \([0-9]*\) bytes of SVG.*/\1/p' <<<"$out")" \
      "$(sed -n 's/^to memory: best \([0-9.]*\) ms, median \([0-9.]*\) ms/\1 \/ \2/p' <<<"$out")" \
      "$(sed -n 's/^to a file: best \([0-9.]*\) ms, median \([0-9.]*\) ms/\1 \/ \2/p' <<<"$out")" \
      "$now"
  done
}

mend() {
  [ $# -eq 0 ] || usage
  repeat=${REPEAT:-3}
  local limit=${WHOLE_LIMIT:-60}
  build_targets tessivar-mend mend_bench
  local bench=build/bench/mend_bench binary=build/mend/tessivar-mend

  header map:l options:l paths:r "islands before:r" rounds:r "paths added:r" \
    "rounds s:r" "whole analysis every round s:r" "whole run s:r" "peak RSS MiB:r" load:r
  local name options map now paths islands rounds added seconds whole wall rss
  while read -r name options; do
    map="$work/$name.wpt"
    now=$(load)
    # shellcheck disable=SC2086 # the options are words
    read -r _ paths islands rounds added seconds < <("$bench" rounds "$map" "$repeat" $options)
    whole="> $limit"
    # shellcheck disable=SC2086
    if out=$(timeout "$limit" "$bench" whole-rounds "$map" $options); then
      whole=$(awk '{print $3}' <<<"$out")
    fi
    best="" peak=0
    for _ in $(seq "$repeat"); do
      # shellcheck disable=SC2086
      read -r wall rss < <("$bench" whole "$binary" "$map" "$work/out" $options)
      if [ -z "$best" ] || smaller "$wall" "$best"; then best=$wall; fi
      [ "$rss" -gt "$peak" ] && peak=$rss
    done
    row "$name" "${options:--}" "$paths" "$islands" "$rounds" "$added" "$seconds" \
      "$whole" "$best" "$(mib "$peak")" "$now"
  done < <("$bench" maps "$work")
}

view() {
  [ $# -eq 0 ] || usage
  local seconds=${SECONDS_EACH:-3}
  bash scripts/install-deps.sh build browser >/dev/null
  [ -d node_modules/puppeteer-core ] || npm ci --no-audit --no-fund >/dev/null
  build_targets tessivar-view wptgen

  header map:l paths:r "page MB:r" "first drawing ms:r" "script / decoded / ready ms:r" \
    "full drawing ms (whole / 4x / 16x):r" \
    "pan fps:r" "zoom fps:r" "pan fps, all full:r" "zoom fps, all full:r" load:r
  local form map page now result
  for form in realistic walked islands; do
    map="$work/${form}_32767.wpt"
    page="$work/${form}_32767.html"
    build/wptgen "$form" 32767 1 "$map" >/dev/null
    build/view/tessivar-view "$map" "$page" >/dev/null
    now=$(load)
    result=$(node bench/view_bench.js "$page" "$seconds")
    # shellcheck disable=SC2016
    row "$form" $(node -e '
      const r = JSON.parse(process.argv[1]);
      const f = (v) => v.toFixed(0);
      console.log([r.paths, (Number(process.argv[2]) / 1e6).toFixed(1), f(r.firstDrawMs),
        f(r.scriptStartMs) + "/" + f(r.decodedMs) + "/" + f(r.filledMs),
        f(r.draws.fit) + "/" + f(r.draws.zoom4) + "/" + f(r.draws.zoom16),
        f(r.panning.fps), f(r.zooming.fps), f(r.panningFull.fps), f(r.zoomingFull.fps)].join(" "));
    ' "$result" "$(wc -c <"$page")") "$now"
  done
}

case "$command" in
  pathing | against | islands | memory | svg | mend | view) "$command" "$@" ;;
  *) usage ;;
esac
