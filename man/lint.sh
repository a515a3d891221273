#!/bin/sh
# Lints manual pages: mandoc -T lint at level warning, and groff (what
# `man -l` runs) with every warning on; any message fails the page.
#   lint.sh page.1...
# Exits 77 when neither program is installed, unless TESSIVAR_REQUIRE_MAN
# is set, when both must be.
failed=0
checked=0
for page in "$@"; do
  if command -v mandoc >/dev/null 2>&1; then
    if ! said="$(mandoc -T lint -W warning "$page" 2>&1)" || [ -n "$said" ]; then
      echo "mandoc: $page:"; echo "$said"; failed=1
    fi
    checked=1
  elif [ -n "$TESSIVAR_REQUIRE_MAN" ]; then
    echo "lint.sh: mandoc is not installed"; exit 1
  fi
  if command -v groff >/dev/null 2>&1; then
    if ! said="$(groff -man -Tutf8 -ww -z "$page" 2>&1)" || [ -n "$said" ]; then
      echo "groff: $page:"; echo "$said"; failed=1
    fi
    checked=1
  elif [ -n "$TESSIVAR_REQUIRE_MAN" ]; then
    echo "lint.sh: groff is not installed"; exit 1
  fi
done
if [ "$checked" -eq 0 ]; then
  echo "lint.sh: neither mandoc nor groff is installed"
  exit 77
fi
[ "$failed" -eq 0 ] && echo "$# manual pages lint clean"
exit "$failed"
