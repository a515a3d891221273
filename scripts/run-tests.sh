#!/usr/bin/env bash
# Builds everything (Release) and runs the whole GoogleTest suite via CTest,
# but for the tests with a label matched by TESSIVAR_CTEST_EXCLUDE (a regular
# expression; by default `slow`, the long sweeps).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE "${TESSIVAR_CTEST_EXCLUDE:-slow}"
