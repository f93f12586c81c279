#!/usr/bin/env bash
# compare-maths.sh [WORK]
# Builds tools/maths_bits.cpp with the runtime's sine and cosine for Linux
# and for Windows (x86-64 and i686 with SSE2), runs the Windows ones under
# Wine (64-bit only where the machine has no wine32) and counts the lines
# that differ from Linux's: "runtime" lines must not differ, "libm" lines
# show how far the C libraries' own sin and cos are apart.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(realpath -m "${1:-$top/build-maths}")
mkdir -p "$work"
sources=("$top/tools/maths_bits.cpp" "$top/runtime/sine_cosine.cpp"
  "$top/runtime/huge_angle_reduction.cpp" "$top/runtime/sine_cosine_table.cpp"
  "$top/runtime/degrees.cpp")
flags=(-std=c++20 -O2 -ffp-contract=off -I"$top")
g++ "${flags[@]}" "${sources[@]}" -o "$work/maths_bits"
x86_64-w64-mingw32-g++-posix "${flags[@]}" -static "${sources[@]}" -o "$work/maths_bits64.exe"
i686-w64-mingw32-g++-posix "${flags[@]}" -msse2 -mfpmath=sse -static "${sources[@]}" \
  -o "$work/maths_bits32.exe"
"$work/maths_bits" >"$work/linux.txt"
SALVO_WINEPREFIX=$work/wine "$top/tools/wine-run.sh" "$work/maths_bits64.exe" | tr -d '\r' \
  >"$work/windows64.txt"
status=0
for kind in runtime libm; do
  total=$(grep -c "^$kind " "$work/linux.txt")
  differing=$(diff <(grep "^$kind " "$work/linux.txt") <(grep "^$kind " "$work/windows64.txt") |
    grep -c '^<' || true)
  echo "$kind: $differing of $total degrees differ between Linux and Windows x86-64"
  [[ $kind == runtime && $differing != 0 ]] && status=1
done
exit $status
