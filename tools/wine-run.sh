#!/usr/bin/env bash
# wine-run.sh PROGRAM.exe [ARGUMENT...]
#
# Runs a Windows program under Debian's Wine (64-bit) and returns its exit
# code: the emulator CTest runs the Windows build's tests with. The Wine
# prefix is the build tree's own (BUILD/wine, BUILD being the folder of the
# CMakeCache.txt above the program, or SALVO_WINEPREFIX), made on first use:
#   - the window manager's part is left to Wine (X11 Driver Managed=N): with
#     no window manager, destroying a managed window waits two seconds;
#   - sound goes to ALSA's null device (a HOME of the prefix's own holds the
#     .asoundrc), so the game's wave output opens as on a machine with a
#     sound card and plays nowhere.
# One wineserver stays for the prefix (started persistent): each program
# then starts in a tenth of a second instead of one and a half. The
# program reads no standard input.
set -euo pipefail

program=${1:?usage: wine-run.sh PROGRAM.exe [ARGUMENT...]}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

prefix=${SALVO_WINEPREFIX:-}
if [[ -z $prefix ]]; then
  dir=$(dirname "$(realpath "$program")")
  while [[ $dir != / && ! -f $dir/CMakeCache.txt ]]; do dir=$(dirname "$dir"); done
  [[ -f $dir/CMakeCache.txt ]] || { echo "wine-run: $program is in no build tree" >&2; exit 2; }
  prefix=$dir/wine
fi
mkdir -p "$prefix"
prefix=$(realpath "$prefix")

export WINEPREFIX=$prefix/prefix
export HOME=$prefix/home
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogues while the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# The first program makes the prefix; the others wait for it.
exec 9>"$prefix/lock"
flock 9
if [[ ! -f $prefix/ready ]]; then
  rm -rf "$WINEPREFIX" "$HOME"
  mkdir -p "$HOME"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$HOME/.asoundrc"
  "$wine" wineboot --init >"$prefix/wineboot.log" 2>&1
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >>"$prefix/wineboot.log" 2>&1
  "$wineserver" -w
  touch "$prefix/ready"
fi
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
flock -u 9
exec 9>&-

# Wine's own services, started by the first program of a server, live as
# long as the server and keep the descriptors they were started with: the
# program's output goes through files, so that a caller reading it from a
# pipe (CTest listing a test program's tests) sees its end when the program
# ends.
output=$(mktemp "$prefix/output.XXXXXX")
errors=$(mktemp "$prefix/errors.XXXXXX")
trap 'rm -f "$output" "$errors"' EXIT
status=0
"$wine" "$@" </dev/null >"$output" 2>"$errors" || status=$?
cat "$output"
cat "$errors" >&2
exit "$status"
