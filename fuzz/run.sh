#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz for SECONDS seconds each, one after
# another, and stops at the first one that finds a fault.
#
# Each target grows its own working corpus in build-fuzz/corpus/<target>
# (seeded once with the game's assets); the committed seeds of fuzz/corpus are
# read but never written. Crashing, leaking or slow inputs are saved in
# build-fuzz/findings/.
#   fuzz/run.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
build=build-fuzz
seeds=fuzz/corpus

# Seed folders of each target.
declare -A seed_dirs=(
  [load_pixmap_fuzzer]="$seeds/png $seeds/bmp $seeds/tga"
  [png_loader_fuzzer]="$seeds/png"
  [bmp_loader_fuzzer]="$seeds/bmp"
  [tga_loader_fuzzer]="$seeds/tga"
  [audio_sample_fuzzer]="$seeds/audio"
  [stream_reads_fuzzer]="$seeds/stream"
  [images_overlap_fuzzer]="$seeds/overlap"
  [replay_reader_fuzzer]="$seeds/replay"
)
# The game's own files that seed each target.
declare -A asset_globs=(
  [load_pixmap_fuzzer]="assets/*.png"
  [png_loader_fuzzer]="assets/*.png"
  [audio_sample_fuzzer]="assets/*.wav"
)
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(load_pixmap_fuzzer png_loader_fuzzer bmp_loader_fuzzer
  tga_loader_fuzzer audio_sample_fuzzer stream_reads_fuzzer images_overlap_fuzzer
  replay_reader_fuzzer)

# Every leak is reported except the one libvorbisfile itself makes (see the file).
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  if [[ ! -d $corpus ]]; then
    mkdir -p "$corpus"
    # shellcheck disable=SC2086  # the glob is meant to expand here
    [[ -z ${asset_globs[$target]:-} ]] || cp ${asset_globs[$target]} "$corpus/"
  fi
  echo "== $target: $seconds s"
  # A header that claims more than the data holds must not make a loader
  # allocate it: 128 MiB is far above what any input of this size decodes to.
  # shellcheck disable=SC2086  # seed_dirs holds several folders
  "$build/fuzz/$target" -max_total_time="$seconds" -malloc_limit_mb=128 -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    "$corpus" ${seed_dirs[$target]} 2>&1 | grep -v '^#[0-9].*\(NEW\|REDUCE\|pulse\)' || {
    echo "$target found a fault; the input is in $build/findings/" >&2
    exit 1
  }
done
