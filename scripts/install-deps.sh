#!/usr/bin/env bash
# Installs the Debian packages a group of tasks needs, where missing.
#   install-deps.sh build     compiler, CMake, GoogleTest (default)
#   install-deps.sh peer      Boost.Graph, for the peer column of
#                             `scripts/benchmark.sh pathing`
#   install-deps.sh fuzz      clang 14 and its sanitizer/fuzzer runtime
#   install-deps.sh browser   headless Chromium and xmllint; Node.js and
#                             npm where there is no `node` and `npm` yet
#                             (a Node.js from elsewhere brings its own npm,
#                             which Debian's npm package would clash with);
#                             Python 3 where there is no `python3`
#   install-deps.sh windows   MinGW-w64 (posix threads), Wine, GoogleTest's
#                             sources, mandoc: the Windows cross build, its
#                             manual pages and its tests
#   install-deps.sh man       mandoc, groff and man: linting and reading the
#                             manual pages
set -euo pipefail

packages=()
for group in "${@:-build}"; do
  case "$group" in
    build) packages+=(g++ cmake make libgtest-dev) ;;
    peer) packages+=(libboost-graph-dev) ;;
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    browser)
      packages+=(chromium libxml2-utils)
      command -v node >/dev/null || packages+=(nodejs)
      command -v npm >/dev/null || packages+=(npm)
      command -v python3 >/dev/null || packages+=(python3)
      ;;
    windows) packages+=(cmake make g++-mingw-w64-x86-64-posix wine64 googletest mandoc) ;;
    man) packages+=(mandoc groff-base man-db) ;;
    *) echo "install-deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
