#!/usr/bin/env bash
# Tests the Windows build under Wine, against the Linux build:
#   scripts/test-windows.sh [windows-build-dir] [linux-build-dir]
# (defaults build-windows and build; scripts/build-windows.sh makes the
# first, scripts/run-tests.sh the second).
#
# 1. The executables hold no aligned vector move (the Win64 stack is only
#    16-byte aligned).
# 2. The unit tests under Wine (CTest, label "slow" left out), among them
#    the pathing kernels for every instruction set this machine has, which
#    must run rather than skip.
# 3. A console: the console test and a report with a Cyrillic map name,
#    under a terminal, where Wine gives the program a console of its own,
#    as Explorer does on Windows; the console facts there; a tool waiting
#    for Enter there, last, and ending once it is pressed; and no tool
#    waiting when an output is redirected.
# 4. Every tool on the shipped samples, generated maps and the fuzz corpus
#    of broken files: standard output, standard error and exit status the
#    same as the Linux build's, with the timings masked (the one
#    normalisation: a report's bytes are otherwise the same, LF line ends
#    included); the pictures and the map pages byte for byte; the islands
#    JSON where that tool exists; the mended maps byte for byte, with both
#    reports, where tessivar-mend exists (on the samples, the generated
#    maps and two broken files: the loader is the one the other tools
#    share); --help and --version; the picture and the page of a map given
#    alone.
set -euo pipefail
cd "$(dirname "$0")/.."
win="${1:-build-windows}"
linux="${2:-build}"

export WINEDEBUG=-all
# A Wine prefix, and a server, for each lane of the comparisons below (one
# lane per core); the unit tests and the console checks use the first.
lanes="$(nproc)"
prefixes=()
for _ in $(seq "$lanes"); do prefixes+=("$(mktemp -d)"); done
WINEPREFIX="${prefixes[0]}"
export WINEPREFIX
work="$(mktemp -d)"
stop_wine() {
  local prefix
  for prefix in "${prefixes[@]}"; do
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  done
  rm -rf "${prefixes[@]}" "$work"
}
trap stop_wine EXIT
wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
PATH="/usr/lib/wine:$PATH"
section_start=$SECONDS
section() {  # starts a part of the output, saying how long the last took
  [ "$section_start" -eq "$SECONDS" ] || echo "    ($((SECONDS - section_start)) s)"
  section_start=$SECONDS
  echo "--- $*"
}
fail() {  # counts a failed check (in a file: comparisons run in subshells)
  echo "FAILED: $*" >&2
  echo "${*//$'\n'/ }" >>"$work/failed"  # one line each, to be counted
}

# Fresh Wine prefixes, made once each (the first start takes the longest),
# side by side, and their Wine servers kept running until the end (the trap
# stops them), so that the many short runs below do not each start a server
# and its services again (about 2 s a run instead of 0.5).
section "fresh Wine prefixes"
for prefix in "${prefixes[@]}"; do
  (
    export WINEPREFIX="$prefix"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    "$wine" wineboot --init >/dev/null 2>&1 || true
  ) &
done
wait

exe_of() {  # the built executable of a tool, or nothing
  find "$1" -name "$2" -not -path '*/CMakeFiles/*' -not -path '*/package/*' |
    head -n 1
}
tools=(tessivar tessivar-svg)
[ -n "$(exe_of "$win" tessivar-islands.exe)" ] && tools+=(tessivar-islands)
[ -n "$(exe_of "$win" tessivar-mend.exe)" ] && tools+=(tessivar-mend)
[ -n "$(exe_of "$win" tessivar-view.exe)" ] && tools+=(tessivar-view)

section "aligned vector moves in the executables"
for tool in "${tools[@]}" tessivar_tests; do
  exe="$(exe_of "$win" "$tool.exe")"
  aligned="$(x86_64-w64-mingw32-objdump -d "$exe" |
             grep -cE '\s(vmovaps|vmovapd|vmovdqa|vmovdqa32|vmovdqa64)\s' || true)"
  [ "$aligned" -eq 0 ] || fail "$tool.exe has $aligned aligned vector moves"
done

# The checks of a console (3. above), run beside the unit tests: their runs
# mostly wait, for Wine's console and for Enter typed once a second, so
# beside the tests they cost little and take no time of their own.
console_checks() {
  local began=$SECONDS
  tty_run() {  # runs a command under a terminal; prints what the terminal got
    script -qec "$*" /dev/null </dev/null |
      sed -E 's/\x1b\[\?25[hl]//g; s/\x1b\[K\x1b\[1C/ /g; s/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r+$//' ||
      true
  }
  terminal_test() {  # runs one unit test under a terminal: it must pass, not skip
    local shown
    shown="$(tty_run "'$wine' '$(exe_of "$win" tessivar_tests.exe)'" "--gtest_filter=$1")"
    echo "$shown" | grep -q '^\[  PASSED  \] 1 test' || fail "$2: $(echo "$shown" | tail -n 5)"
    ! echo "$shown" | grep -q SKIPPED || fail "$2 skipped under a terminal"
  }
  terminal_test StandardStreamWindows.ConsoleShowsUtf8AsText "console test"
  # A map named in Cyrillic: the console shows the name, not its UTF-8 bytes
  # in the console's code page.
  cp examples/six_waypoints.wpt "$work/cyrillic.wpt"
  printf 'karta-\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0\0' |
    dd of="$work/cyrillic.wpt" bs=1 seek=20 conv=notrunc status=none
  # (Input from /dev/null: a tool alone on its console would wait for Enter.)
  shown="$(tty_run "'$wine' '$(exe_of "$win" tessivar.exe)' '$work/cyrillic.wpt' </dev/null")"
  echo "$shown" | grep -q $'^Loading waypoints for map karta-\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0\\.\\.\\.$' ||
    fail "console shows the Cyrillic map name as: $(echo "$shown" | grep Loading)"

  # Alone on its console with nothing redirected, a tool waits for Enter,
  # after everything else; started with no argument it first says how to
  # drop a map onto it. Enter is typed every second until the run ends (one
  # typed before the wait starts is discarded); a run that did not wait
  # would end without the line. Wine's console echoes each typed Enter as
  # "^J" after the line; those echoes and blank lines are dropped.
  waited() {  # runs a tool under a terminal, typing Enter; prints the screen
    (for _ in $(seq 60); do sleep 1; printf '\r'; done) |
      timeout 90 script -qec "$*" /dev/null |
      sed -E 's/\x1b\[\?25[hl]//g; s/\x1b\[K\x1b\[1C/ /g; s/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r+$//; s/(\^J)+$//; /^$/d' ||
      true
  }
  shown="$(waited "'$wine' '$(exe_of "$win" tessivar.exe)' '$(realpath examples/six_waypoints.wpt)'")"
  tail -n 2 <<<"$shown" | grep -q '^0->2->3->1->5$' &&
    [ "$(tail -n 1 <<<"$shown")" = "Press Enter to close this window." ] ||
    fail "tessivar.exe alone on its console did not wait last: $(tail -n 3 <<<"$shown")"
  shown="$(waited "'$wine' '$(exe_of "$win" tessivar-svg.exe)'")"
  grep -q '^To draw a map, drop its .wpt file onto tessivar-svg.exe' <<<"$shown" &&
    [ "$(tail -n 1 <<<"$shown")" = "Press Enter to close this window." ] ||
    fail "tessivar-svg.exe started alone with no map: $(tail -n 4 <<<"$shown")"

  # Output redirected from a console of its own: no tool may wait for
  # Enter. A wait would hold the run until the time limit, or show its line.
  for tool in "${tools[@]}"; do
    exe="$(exe_of "$win" "$tool.exe")"
    for redirect in "> '$work/redirected.out'" "2> '$work/redirected.err'" \
                    "> '$work/redirected.out' 2>&1"; do
      start=$SECONDS
      shown="$(cd "$work" && tty_run "timeout 60 '$wine' '$exe' '$work/cyrillic.wpt' $redirect")"
      if [ $((SECONDS - start)) -ge 60 ] ||
         { echo "$shown"; cat "$work"/redirected.* 2>/dev/null; } | grep -q 'Press Enter'; then
        fail "$tool.exe waited for Enter with $redirect"
      fi
      rm -f "$work"/redirected.* "$work/cyrillic.svg" "$work/cyrillic.html"
    done
  done
  terminal_test WindowWaitWindows.FactsUnderATerminal "console facts test"
  echo "console checks done in $((SECONDS - began)) s"
}

section "unit tests under Wine, and a console beside them"
# (In the last lane's prefix: the unit tests have the first.)
(
  export WINEPREFIX="${prefixes[$((lanes - 1))]}"
  console_checks
) >"$work/console.log" 2>&1 &
console_pid=$!
# Each test executable runs in shards side by side, each writing its
# results as XML to test-results/ in its build folder, read below; results
# of an earlier run must not count.
mapfile -t earlier < <(find "$win" -type d -name test-results -prune)
rm -rf "${earlier[@]}"
if ! ctest --test-dir "$win" --output-on-failure -LE slow \
     --no-tests=error -j"$(nproc)"; then
  # A test whose output lacks GoogleTest's first line never got to its
  # cases: Wine did not start it (seen once on a fresh machine: failed in
  # 0.02 s, with no output at all). Those, and only those, run once more,
  # alone, with Wine's own errors shown; a test that started and failed,
  # or crashed, fails the step.
  started() {  # whether CTest's log shows the test NAME's cases starting
    awk -v name="$1" '
      { line = $0 }
      sub(/^[0-9]+\/[0-9]+ Test: /, "", line) { inside = (line == name); next }
      inside && /^\[==========\] Running / { found = 1 }
      /^<end of output>$/ { inside = 0 }
      END { exit !found }' "$win/Testing/Temporary/LastTest.log"
  }
  unstarted=0 failed=0
  while IFS=: read -r _ test; do
    [ -n "$test" ] || continue
    failed=$((failed + 1))
    started "$test" || unstarted=$((unstarted + 1))
  done <"$win/Testing/Temporary/LastTestsFailed.log"
  if [ "$unstarted" -gt 0 ] && [ "$unstarted" -eq "$failed" ]; then
    echo "$unstarted test(s) never started: Wine did not start them; once more, alone"
    WINEDEBUG=fixme-all ctest --test-dir "$win" --output-on-failure --rerun-failed ||
      fail "unit tests under Wine"
  else
    fail "unit tests under Wine"
  fi
fi
mapfile -t results < <(find "$win" -path '*/test-results/*.xml')
wait "$console_pid" || fail "the console checks ended early"
cat "$work/console.log"

# The kernel tests skip an instruction set the machine lacks; every one
# this machine has must have run under Wine: the single-row kernels and the
# whole engine with each of them.
for isa in avx2:1:Avx2 avx512f:2:Avx512; do
  IFS=: read -r flag index name <<<"$isa"
  grep -qw "$flag" /proc/cpuinfo || continue
  cases="$(cat /dev/null "${results[@]}" | grep '<testcase ' |
           grep -E "name=\"[^\"]*/$index\".*classname=\"AllPaths/PathingKernelTest\"|name=\"[^\"]*/$name[A-Z][^\"]*\".*classname=\"AllEngines/PathingSweepTest\"" ||
           true)"
  ran=0 skipped=0
  if [ -n "$cases" ]; then
    ran="$(grep -c 'result="completed"' <<<"$cases" || true)"
    skipped="$(grep -vc 'result="completed"' <<<"$cases" || true)"
  fi
  if [ "$ran" -eq 0 ] || [ "$skipped" -ne 0 ]; then
    fail "the $name kernels did not all run under Wine ($ran ran, $skipped did not)"
  else
    echo "$name kernels: $ran tests ran"
  fi
done

section "the tools against the Linux build"
maps=(examples/*.wpt fuzz/corpus/*.wpt)
mkdir -p "$work/maps"
"$linux/wptgen" realistic 1024 7 "$work/maps/realistic_1024.wpt" >/dev/null
"$linux/wptgen" grid 40 30 "$work/maps/grid_40x30.wpt" >/dev/null
"$linux/wptgen" random 300 11 "$work/maps/random_300.wpt" >/dev/null
"$linux/wptgen" islands 800 5 "$work/maps/islands_800.wpt" >/dev/null
maps+=("$work"/maps/*.wpt "$work/cyrillic.wpt" "$work/no_such_map.wpt")
mask() { sed -E 's/ took [-0-9.e+]+ second\(s\)/ took {s} second(s)/g' "$1"; }

# Runs a command in DIR, keeping its output, errors and status there.
run_in() {
  local dir="$1" status=0
  shift
  (cd "$dir" && "$@" >out 2>err) || status=$?
  echo "$status" >"$dir/status"
}

declare -A linux_exe win_exe
for tool in "${tools[@]}"; do
  linux_exe[$tool]="$(realpath "$(exe_of "$linux" "$tool")")"
  win_exe[$tool]="$(realpath "$(exe_of "$win" "$tool.exe")")"
done

# Runs one tool on both builds in folders of their own (in the lane's), so
# that the files they write have the same names: run_both TOOL ARGS...
run_both() {
  local tool="$1"
  shift
  local here="$work/lane$lane"
  rm -rf "$here"
  mkdir -p "$here/linux" "$here/windows"
  # Files the run finds in its folder (seed=(FILE...) before the call).
  if [ ${#seed[@]} -gt 0 ]; then
    cp "${seed[@]}" "$here/linux/"
    cp "${seed[@]}" "$here/windows/"
  fi
  run_in "$here/linux" "${linux_exe[$tool]}" "$@"
  run_in "$here/windows" "$wine" "${win_exe[$tool]}" "$@"
  # A run that failed with no output at all where the Linux build's said
  # something: Wine ended the program before it began (CI saw it once in
  # some 300 runs, when two Wine programs shared one server). Once more,
  # in a fresh folder, and said; a second such end is compared as it is.
  if [ "$(cat "$here/windows/status")" != 0 ] && [ ! -s "$here/windows/out" ] &&
     [ ! -s "$here/windows/err" ] && { [ -s "$here/linux/out" ] || [ -s "$here/linux/err" ]; }; then
    echo "Wine ended $tool $* at once (status $(cat "$here/windows/status"), no output): once more"
    rm -rf "$here/windows"
    mkdir -p "$here/windows"
    if [ ${#seed[@]} -gt 0 ]; then cp "${seed[@]}" "$here/windows/"; fi
    run_in "$here/windows" "$wine" "${win_exe[$tool]}" "$@"
  fi
  for part in out err; do
    mask "$here/linux/$part" >"$here/linux/$part.masked"
    mask "$here/windows/$part" >"$here/windows/$part.masked"
  done
  local same=1
  for part in out.masked err.masked status; do
    cmp -s "$here/linux/$part" "$here/windows/$part" || same=0
  done
  for file in "$here/linux"/*; do
    case "$(basename "$file")" in out* | err* | status) continue ;; esac
    cmp -s "$file" "$here/windows/$(basename "$file")" || same=0
  done
  if [ "$same" -eq 0 ]; then
    fail "$tool $*"
    diff -r "$here/linux" "$here/windows" | head -n 20 | cut -c 1-300 >&2 || true
  fi
}

paths=()
for map in "${maps[@]}"; do
  paths+=("$(realpath -m "$map")")
done
has_tool() { [[ " ${tools[*]} " == *" $1 "* ]]; }

# Every comparison in turn; a lane runs every lanes-th one and passes the
# others, so that the lanes, one per core, share them (a run under Wine
# keeps one core busy starting up). Each lane has a Wine prefix and server
# of its own: no two of its programs start at the same time.
compare() {
  if [ $((turn % lanes)) -eq "$lane" ]; then run_both "$@"; fi
  turn=$((turn + 1))
}
compare_all() {
  seed=()
  for path in "${paths[@]}"; do
    compare tessivar "$path"
    compare tessivar-svg "$path" picture.svg
    # The page: the same HTML, byte for byte, embedded page and data alike.
    if has_tool tessivar-view; then compare tessivar-view "$path" page.html; fi
  done
  compare tessivar-svg "$(realpath examples/six_waypoints.wpt)" -
  # A map alone: the picture beside it, named after it.
  seed=(examples/six_waypoints.wpt)
  compare tessivar-svg six_waypoints.wpt
  if has_tool tessivar-view; then compare tessivar-view six_waypoints.wpt; fi
  seed=()
  for tool in "${tools[@]}"; do
    compare "$tool" --help
    compare "$tool" --version
  done
  # tessivar-islands takes many maps: every map in one run, in each form.
  if has_tool tessivar-islands; then
    compare tessivar-islands "${paths[@]}"
    compare tessivar-islands --json "${paths[@]}"
  fi
  # tessivar-mend: the mended copy and the report, text and JSON, on the
  # maps that are not broken files, and on two that are.
  if has_tool tessivar-mend; then
    for path in "${paths[@]}"; do
      case "$path" in */fuzz/corpus/*) continue ;; esac
      compare tessivar-mend --kinds all "$path" mended.wpt
      compare tessivar-mend --json "$path" mended.wpt
    done
    compare tessivar-mend "$(realpath "$(ls fuzz/corpus/*.wpt | head -n 1)")" mended.wpt
    compare tessivar-mend --dry-run --max-length 300 "$(realpath examples/rooms_600.wpt)" -
    compare tessivar-mend "$(realpath examples/islands_200.wpt)" -
  fi
}
lane_pids=()
for lane in $(seq 0 $((lanes - 1))); do
  turn=0
  (
    export WINEPREFIX="${prefixes[$lane]}"
    compare_all
  ) &
  lane_pids+=($!)
done
for pid in "${lane_pids[@]}"; do
  wait "$pid" || fail "a lane of the comparisons ended early"
done
compared=${#paths[@]}

echo "    ($((SECONDS - section_start)) s)"
echo "compared ${#tools[@]} tools on $compared maps"
failures=0
[ -f "$work/failed" ] && failures="$(wc -l <"$work/failed")"
if [ "$failures" -ne 0 ]; then
  echo "$failures Windows check(s) failed" >&2
  exit 1
fi
echo "Windows build: all checks passed"
