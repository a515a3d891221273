#!/usr/bin/env bash
# The map picture and the map page in a real browser: installs headless
# Chromium, xmllint, Node.js and Python, the page's npm packages (npm ci:
# ESLint and puppeteer-core, as package-lock.json pins them), checks the
# pictures of the shipped samples with xmllint, and runs the tests labelled
# "browser" (the picture's screenshot, ESLint over the page's scripts, the
# page in Chromium), which here must run rather than skip.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh browser
# Configure again so that a Python or Node.js installed just now is found.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target tessivar-svg tessivar-view tessivar-islands tessivar wptgen
npm ci --no-audit --no-fund

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
build/svg/tessivar-svg examples/six_waypoints.wpt "$out/six.svg"
build/svg/tessivar-svg examples/rooms_600.wpt "$out/rooms_600.svg"
build/svg/tessivar-svg examples/islands_200.wpt "$out/islands_200.svg"
xmllint --noout "$out/six.svg" "$out/rooms_600.svg" "$out/islands_200.svg"
echo "xmllint: pictures are well-formed"

# Side by side: each browser has a profile of its own.
TESSIVAR_REQUIRE_BROWSER=1 ctest --test-dir build --output-on-failure \
  --no-tests=error -L browser -j"$(nproc)"
