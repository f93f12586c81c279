#!/usr/bin/env bash
# make-windows-zip.sh BUILD_DIR ARCH
#
# Packs BUILD_DIR/salvo.exe into BUILD_DIR/salvo-VERSION-windows-ARCH.zip
# (ARCH: x64 or x86), one folder salvo-VERSION/ holding the program and the
# texts a Windows user opens with a double click: README.txt, LICENSE.txt and
# licenses/*.txt, with CRLF line ends. Beside the project's own licences,
# licenses/ holds those of the libraries linked into the program, whose
# notices go with every copy: SDL2, zlib, libpng, libogg and libvorbis from
# their Debian sources (SALVO_DEPS_DIR or build-deps/), and the MinGW-w64
# runtime's from its Debian package. VERSION is the project's own, as CMake
# recorded it in BUILD_DIR. The files carry the last commit's time, so the
# same sources give the same archive.
set -euo pipefail
build=${1:?usage: make-windows-zip.sh BUILD_DIR ARCH}
arch=${2:?usage: make-windows-zip.sh BUILD_DIR ARCH}
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "make-windows-zip: no project version in $build" >&2; exit 1; }
[[ -f $build/salvo.exe ]] || { echo "make-windows-zip: $build/salvo.exe is missing" >&2; exit 1; }

name=salvo-$version
zipfile=$build/$name-windows-$arch.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/$name/licenses"

crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
cp "$build/salvo.exe" "$work/$name/salvo.exe"
crlf "$source/README.md" "$work/$name/README.txt"
crlf "$source/LICENSE" "$work/$name/LICENSE.txt"
for licence in "$source"/dist/licenses/*.txt; do
  crlf "$licence" "$work/$name/licenses/$(basename "$licence")"
done

deps=${SALVO_DEPS_DIR:-$source/build-deps}/src
library_licence() {  # SOURCE_FOLDER_PATTERN FILE NAME
  local found
  found=$(find "$deps" -maxdepth 2 -path "$deps/$1/$2" | head -1)
  [[ -n $found ]] || { echo "make-windows-zip: no $2 in $deps/$1" >&2; exit 1; }
  crlf "$found" "$work/$name/licenses/$3.txt"
}
library_licence 'libsdl2-*' LICENSE.txt SDL2
library_licence 'zlib-*' LICENSE zlib
library_licence 'libpng1.6-*' LICENSE libpng
library_licence 'libogg-*' COPYING libogg
library_licence 'libvorbis-*' COPYING libvorbis
runtime=mingw-w64-x86-64-dev
[[ $arch == x86 ]] && runtime=mingw-w64-i686-dev
crlf "/usr/share/doc/$runtime/copyright" "$work/$name/licenses/MinGW-w64-runtime.txt"

stamp=$(git -C "$source" log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null ||
  date +%Y%m%d%H%M.%S)
find "$work/$name" -exec touch -t "$stamp" {} +
rm -f "$zipfile"
(cd "$work" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -q -9 "$zipfile" -@)
echo "$zipfile"
