#!/usr/bin/env bash
# Line and branch coverage of the product code by the quick suite (`make test`
# without the soak hour): a build with gcc's --coverage in build-coverage, the
# suite run under it, then gcovr's summary. Only the folders the game and its
# runtime are made of count; tests/, harness/, bench/ and fuzz/ do not.
# Branches the compiler adds for exceptions and ones it proves unreachable are
# left out, so the branch figure counts the code's own decisions.
# COVERAGE_REPORT=FILE also writes the per-file table to FILE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${COVERAGE_BUILD:-$root/build-coverage}
jobs=${JOBS:-2}
# With a ccache base folder the compiler is handed relative paths, which gcov
# then cannot find its sources from; the coverage build keeps absolute ones.
unset CCACHE_BASEDIR

cmake -S "$root" -B "$build" -DSALVO_LTO=OFF -DSALVO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j "$jobs"

# Counts of an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
status=0
"$root/tools/with-display.sh" ctest --test-dir "$build" -j "$jobs" -LE soak --output-on-failure ||
  status=$?

cd "$root"
options=(--root "$root" --object-directory "$build" -j "$jobs"
         --filter '(runtime|input|pixmap|render|audio|game)/' --filter 'main\.cpp'
         --exclude-throw-branches --exclude-unreachable-branches)
# The data files are searched for in the build folder only: a walk of the whole tree would also
# enter the other build folders, among them Wine's prefix, whose drive z: leads to /.
if [[ -n "${COVERAGE_REPORT:-}" ]]; then
  gcovr "${options[@]}" --branches --output "$COVERAGE_REPORT" --print-summary "$build"
else
  gcovr "${options[@]}" --print-summary "$build"
fi
if [[ $status -ne 0 ]]; then
  echo "coverage: some tests failed (the figures above count the tests that ran)" >&2
fi
exit $status
