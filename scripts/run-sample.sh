#!/usr/bin/env bash
# Builds tessivar (Release) and runs it on a shipped sample map.
#   scripts/run-sample.sh [map.wpt]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target tessivar
./build/tessivar "${1:-examples/rooms_600.wpt}"
echo
