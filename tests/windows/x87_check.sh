#!/usr/bin/env bash
# x87_check.sh BUILD_DIR
#
# The 32-bit build computes floats in SSE2 registers, as the 64-bit one does,
# so both play the same game. This disassembles the objects of the project's
# own folders in BUILD_DIR and fails on any x87 instruction that rounds: the
# arithmetic, the roots and transcendentals, the rounding to integer. What
# the 32-bit calling convention and GCC still use the x87 unit for is exact
# and allowed: loads and stores (float and double results come back in
# st(0)), fabs/fchs, and the truncating conversions to 64-bit integers.
set -euo pipefail
build=${1:?usage: x87_check.sh BUILD_DIR}
cd "$build"
objects=$(find runtime input pixmap render audio game assets harness -name '*.obj' 2>/dev/null || true)
[[ -n $objects ]] || { echo "x87_check: no objects in $build" >&2; exit 2; }
# shellcheck disable=SC2086
listing=$(i686-w64-mingw32-objdump -d --no-show-raw-insn $objects |
  awk -F'\t' '/^[0-9a-f]+ <.*>:$/ { name = $0 } NF >= 2 { split($2, op, " "); print op[1] "\t" name }')
x87=$(grep -cE '^f[a-z0-9]*	' <<<"$listing" || true)
rounding=$(grep -E '^f(i?(add|sub|subr|mul|div|divr)p?[sl]?|sqrt|sin|cos|sincos|ptan|patan|yl2x|yl2xp1|2xm1|scale|prem1?|rndint|xtract)	' \
  <<<"$listing" || true)
echo "x87_check: $(wc -w <<<"$objects") objects, $x87 x87 instructions, $(grep -c . <<<"$rounding" || true) that round"
if [[ -n $rounding ]]; then
  sort <<<"$rounding" | uniq -c | sort -rn | head -20 >&2
  exit 1
fi
