#!/usr/bin/env bash
# The long differential sweeps (CTest label "slow"): the fast engine against
# the reference model on larger generated maps, pass by pass. The default
# run leaves them out to stay quick; CI runs them on the Release build.
set -euo pipefail
cd "$(dirname "$0")/../.."
ctest --test-dir build --output-on-failure -j"$(nproc)" -L slow --no-tests=error
