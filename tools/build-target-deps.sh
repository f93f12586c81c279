#!/usr/bin/env bash
# build-target-deps.sh TARGET [DIR]
#
# Builds the libraries the game links (SDL2, zlib, libpng, libogg, libvorbis)
# and the one its tests link (GoogleTest) as static libraries for another platform, from Debian's own source
# packages of the versions this machine uses, and installs them into
# DIR/TARGET (DIR defaults to build-deps/ at the top of the repository).
#   mingw-x86_64   64-bit Windows, Debian's MinGW-w64 (posix threads)
#   mingw-i686     32-bit Windows, the same, with SSE2 floating point
#   emscripten     the web, Debian's emscripten
#
# What was built is kept: a second run with the same sources, toolchain and
# this script finds DIR/TARGET/stamp unchanged and neither fetches nor
# builds anything. Prints the prefix on stdout; the builds' own output goes
# to DIR/TARGET-logs/.
set -euo pipefail

target=${1:?usage: build-target-deps.sh TARGET [DIR]}
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${2:-${SALVO_DEPS_DIR:-$top/build-deps}}")
prefix="$dir/$target"
logs="$dir/$target-logs"
jobs=$(nproc)

packages=(libsdl2-dev zlib1g-dev libpng-dev libogg-dev libvorbis-dev libgtest-dev)

case $target in
  mingw-x86_64 | mingw-i686)
    host=${target#mingw-}-w64-mingw32
    cc="$host-gcc-posix"
    cxx="$host-g++-posix"
    toolchain_version=$("$cc" --version | sed -n 1p)
    # The x87 unit's wider registers would make 32-bit floats round otherwise
    # than the 64-bit build's SSE2.
    cflags="-O2"
    [[ $target == mingw-i686 ]] && cflags="-O2 -msse2 -mfpmath=sse"
    ;;
  emscripten)
    cc=emcc
    cxx=em++
    toolchain_version=$(emcc --version 2>/dev/null | sed -n 1p)
    cflags="-O2"
    # Links at -O1 and above need the acorn parser of Debian's nodejs modules.
    export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
    ;;
  *)
    echo "build-target-deps: unknown target $target (mingw-x86_64, mingw-i686, emscripten)" >&2
    exit 2
    ;;
esac

# The sources at the installed versions; nothing is fetched when they are
# unpacked already.
mkdir -p "$dir"
sources=$("$top/tools/fetch-debian-source.sh" "$dir" "${packages[@]}" 2>"$dir/fetch.log") || {
  cat "$dir/fetch.log" >&2
  exit 1
}
grep '^fetch-debian-source:' "$dir/fetch.log" >&2 || true
source_dir() { awk -v name="$1" '$1 == name { print $3 }' <<<"$sources"; }

stamp_text=$(printf '%s\n' "$sources" "$toolchain_version" "$cflags" \
  "$(sha256sum "$top/tools/build-target-deps.sh" | cut -d' ' -f1)")
if [[ -f "$prefix/stamp" && "$(cat "$prefix/stamp")" == "$stamp_text" ]]; then
  echo "$prefix"
  exit 0
fi

rm -rf "$prefix" "$logs" "$dir/$target-build"
mkdir -p "$prefix" "$logs"
work="$dir/$target-build"

# Runs a build step with its output in a log of its own; shows the log's end
# when the step fails.
step() {
  local name=$1
  shift
  echo "build-target-deps: $target: $name" >&2
  # Not in a condition: there bash would ignore set -e inside the step.
  local status
  set +e
  (set -e && "$@") >"$logs/$name.log" 2>&1
  status=$?
  set -e
  if ((status != 0)); then
    echo "build-target-deps: $target: $name failed; the end of $logs/$name.log:" >&2
    tail -30 "$logs/$name.log" >&2
    exit 1
  fi
}

# A fresh copy of a source tree to build in: the unpacked sources stay clean
# for the other targets.
copy_source() {
  rm -rf "$work/$2"
  mkdir -p "$work"
  cp -a "$(source_dir "$1")" "$work/$2"
}

cmake_for_target() {
  local args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix"
    -DCMAKE_C_FLAGS="$cflags" -DBUILD_SHARED_LIBS=OFF)
  if [[ $target == emscripten ]]; then
    # emcmake's own emulator flag (--experimental-wasm-threads) stops
    # Node 20 from running CMake's size checks; Node 20 runs emscripten's
    # output only with its fetch turned off.
    emcmake cmake "${args[@]}" -DCMAKE_CROSSCOMPILING_EMULATOR="/usr/bin/node;--no-experimental-fetch" "$@"
  else
    cmake -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_RC_COMPILER="$host-windres" \
      -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
      -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY "${args[@]}" "$@"
  fi
}

configure_for_target() {
  if [[ $target == emscripten ]]; then
    CFLAGS="$cflags" emconfigure ./configure --prefix="$prefix" --disable-shared --enable-static "$@"
  else
    CFLAGS="$cflags" ./configure --host="$host" --prefix="$prefix" --disable-shared \
      --enable-static "$@"
  fi
}

build_zlib() {
  copy_source zlib zlib
  cd "$work/zlib"
  # zlib's configure takes its cross compiler from CC and CHOST.
  if [[ $target == emscripten ]]; then
    CFLAGS="$cflags" emconfigure ./configure --static --prefix="$prefix"
    emmake make -j "$jobs" libz.a
  else
    CC="$cc" AR="$host-ar" RANLIB="$host-ranlib" CHOST="$host" CFLAGS="$cflags" \
      ./configure --static --prefix="$prefix"
    make -j "$jobs" libz.a
  fi
  make install
}

build_libpng() {
  copy_source libpng1.6 libpng
  mkdir -p "$work/libpng/build"
  cd "$work/libpng/build"
  cmake_for_target .. -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_ROOT="$prefix" \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
  cmake --build . -j "$jobs"
  cmake --install .
}

build_libogg() {
  copy_source libogg libogg
  mkdir -p "$work/libogg/build"
  cd "$work/libogg/build"
  cmake_for_target .. -DINSTALL_DOCS=OFF
  cmake --build . -j "$jobs"
  cmake --install .
}

build_libvorbis() {
  copy_source libvorbis libvorbis
  mkdir -p "$work/libvorbis/build"
  cd "$work/libvorbis/build"
  cmake_for_target .. -DOGG_ROOT="$prefix" -DOGG_INCLUDE_DIR="$prefix/include" \
    -DOGG_LIBRARY="$prefix/lib/libogg.a"
  cmake --build . -j "$jobs"
  cmake --install .
}

build_sdl2() {
  copy_source libsdl2 sdl2
  mkdir -p "$work/sdl2/build"
  cd "$work/sdl2/build"
  cmake_for_target .. -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=OFF
  cmake --build . -j "$jobs"
  cmake --install .
}

# GoogleTest for the Windows test programs; the web's test programs build
# it from Debian's googletest sources themselves
# (cmake/emscripten-googletest.cmake).
build_googletest() {
  copy_source googletest googletest
  mkdir -p "$work/googletest/build"
  cd "$work/googletest/build"
  cmake_for_target .. -DCMAKE_CXX_FLAGS="$cflags" -DINSTALL_GTEST=ON -DBUILD_GMOCK=OFF
  cmake --build . -j "$jobs"
  cmake --install .
}

libraries=(zlib libpng libogg libvorbis sdl2)
[[ $target == mingw-* ]] && libraries+=(googletest)
for library in "${libraries[@]}"; do
  step "$library" "build_$library"
done

rm -rf "$work"
printf '%s\n' "$stamp_text" >"$prefix/stamp"
echo "$prefix"
