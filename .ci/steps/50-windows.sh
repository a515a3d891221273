#!/usr/bin/env bash
# The Windows build: cross-builds the tools with MinGW-w64 and packs the
# zip (scripts/build-windows.sh), then runs the unit tests and the tools
# under Wine and compares every report, picture and islands JSON with the
# Linux build's (scripts/test-windows.sh). Uses the Linux build in build/,
# which scripts/run-tests.sh made before the steps.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ ! -x build/wptgen ] || [ ! -x build/tessivar ]; then
  echo "50-windows.sh: no Linux build in build/ (run scripts/run-tests.sh first)" >&2
  exit 1
fi
start=$SECONDS
bash scripts/build-windows.sh build-windows
built=$SECONDS
bash scripts/test-windows.sh build-windows build
echo "Windows step: built in $((built - start)) s, tested in $((SECONDS - built)) s"
