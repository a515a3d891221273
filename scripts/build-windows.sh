#!/usr/bin/env bash
# Cross-builds the tools for 64-bit Windows with MinGW-w64 (Release) and
# packs them:
#   scripts/build-windows.sh [build-dir]        (default build-windows)
# gives <build-dir>/tessivar-<version>-windows-x86_64.zip holding
# tessivar.exe, tessivar-svg.exe, and tessivar-islands.exe,
# tessivar-mend.exe and tessivar-view.exe (where those tools are in the
# tree), README.md, docs/, the sample maps in examples/ and each tool's
# manual page as HTML in manual/ (rendered by mandoc). The version is the
# one in CMakeLists.txt's project(). The executables must need no DLL but
# the system's: the script refuses to pack any other.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh windows
build="${1:-build-windows}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTESSIVAR_BUILD_TOOLS=OFF \
  >/dev/null
cmake --build "$build" -j"$(nproc)"

version="$(cat "$build/version.txt")"
name="tessivar-$version-windows-x86_64"
tools=(tessivar tessivar-svg)
[ -f islands/CMakeLists.txt ] && tools+=(tessivar-islands)
[ -f mend/CMakeLists.txt ] && tools+=(tessivar-mend)
[ -f view/CMakeLists.txt ] && tools+=(tessivar-view)

stage="$build/package/$name"
rm -rf "$build/package" "$build/$name.zip"
mkdir -p "$stage"
for tool in "${tools[@]}"; do
  exe="$(find "$build" -name "$tool.exe" -not -path '*/CMakeFiles/*' | head -n 1)"
  if [ -z "$exe" ]; then
    echo "build-windows.sh: $tool.exe was not built" >&2
    exit 1
  fi
  # Only the system's own DLLs: KERNEL32, msvcrt, SHELL32 and the like.
  others="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
            grep -viE '^(kernel32|msvcrt|shell32|advapi32|user32|ntdll)\.dll$|^api-ms-win-' || true)"
  if [ -n "$others" ]; then
    echo "build-windows.sh: $tool.exe needs DLLs Windows does not have:" $others >&2
    exit 1
  fi
  # Symbols are of no use to a user: a smaller download.
  x86_64-w64-mingw32-strip -o "$stage/$tool.exe" "$exe"
done
cp README.md "$stage/"
# The manual pages, configured with the version, as HTML a browser opens.
mkdir -p "$stage/manual"
for tool in "${tools[@]}"; do
  mandoc -T html "$build/man/$tool.1" >"$stage/manual/$tool.html"
done
cp -R docs examples "$stage/"
(cd "$build/package" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "Packed $build/$name.zip:"
(cd "$build/package" && find "$name" -type f | sort | sed 's/^/  /')
