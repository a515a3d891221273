#!/usr/bin/env bash
# The manual pages: installs mandoc, groff and man, lints every page (the
# CTest test labelled "man", which here must run rather than skip), and
# checks that `cmake --install` puts the page of every tool it installs in
# share/man/man1, where `man` finds it by name and renders it without a
# warning. Uses the Linux build in build/.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh man
TESSIVAR_REQUIRE_MAN=1 ctest --test-dir build --output-on-failure \
  --no-tests=error -L man

prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix" >/dev/null
installed=0
for exe in "$prefix"/bin/*; do
  tool="$(basename "$exe")"
  page="$prefix/share/man/man1/$tool.1"
  if [ ! -f "$page" ]; then
    echo "15-man.sh: cmake --install put no manual page beside $tool" >&2
    exit 1
  fi
  [ "$(MANPATH="$prefix/share/man" man -w "$tool")" = "$page" ] || {
    echo "15-man.sh: man does not find $tool's page by name" >&2
    exit 1
  }
  said="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
  if [ -n "$said" ]; then
    echo "15-man.sh: man -l $page warns:" >&2
    echo "$said" >&2
    exit 1
  fi
  installed=$((installed + 1))
done
[ "$installed" -ge 3 ] || { echo "15-man.sh: only $installed tools installed" >&2; exit 1; }
echo "manual pages: $installed installed, found by name and rendered clean"
