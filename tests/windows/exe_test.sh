#!/usr/bin/env bash
# exe_test.sh WINDOWS_ZIP LINUX_SALVO
#
# The real Windows program, unpacked from its archive, under Wine on private
# Xvfb servers, beside the Linux build of the same sources:
#   640 x 480 screen    the default start shows the title, and its pixels are
#                       the Linux build's (pixels differing are counted);
#                       Enter, a volley and Escape end the game with 0, on
#                       both systems, each recording the game, and each
#                       system replays the other's recording to the same
#                       end (exit 0, the replay checks the state hashes); Escape
#                       on the title is kept until the game starts, on both
#                       systems (the title does not read it);
#   1920 x 1080 only    the default start says "Graphics mode does not exist"
#                       and ends with 255; --desktop shows the title scaled
#                       to 1440 x 1080 between black bars; --window=2 opens
#                       a window of 1280 x 960 (and Wine's frame).
# The Wine prefix is WINE_DIR (default: beside the archive); Wine keeps a
# display's modes while its server runs, so the server ends with each screen.
set -uo pipefail
zipfile=$(realpath "${1:?usage: exe_test.sh WINDOWS_ZIP LINUX_SALVO}")
linux=$(realpath "${2:?usage: exe_test.sh WINDOWS_ZIP LINUX_SALVO}")
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
export SALVO_WINEPREFIX=${WINE_DIR:-$(dirname "$zipfile")/wine}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}  # the Linux build's; Wine plays into ALSA's null device
work=$(mktemp -d)
failures=0
server=""
game=""

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
stop_wine() { WINEPREFIX=$SALVO_WINEPREFIX/prefix /usr/lib/wine/wineserver -k 2>/dev/null; sleep 0.5; }
stop_screen() {
  [[ -n $game ]] && kill "$game" 2>/dev/null
  game=""
  stop_wine
  [[ -n $server ]] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  server=""
}
trap 'stop_screen; rm -rf "$work"' EXIT

start_screen() {  # WIDTHxHEIGHT
  local number=80
  while [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 "$1x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  server=$!
  export DISPLAY=":$number"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  echo "exe_test: no Xvfb" >&2
  exit 2
}

start() {  # NAME COMMAND...: starts the game, waits for its window
  local name=$1
  shift
  "$@" >"$work/$name.out" 2>"$work/$name.err" &
  game=$!
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name . >/dev/null 2>&1 && return 0
    kill -0 "$game" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

finish() {  # SECONDS: waits for the game's end; code = its exit code, or "running"
  code=running
  for _ in $(seq 0 $(($1 * 10))); do
    if ! kill -0 "$game" 2>/dev/null; then
      wait "$game"
      code=$?
      game=""
      return
    fi
    [[ $1 == 0 ]] && return
    sleep 0.1
  done
}

shoot() { import -window root "png:$work/$1.png"; }
differing() { compare -metric AE "$@" null: 2>&1 | cut -d' ' -f1; }
peak() { compare -metric PAE "$@" null: 2>&1 | sed 's/.*(\(.*\))/\1/'; }

mkdir -p "$work/zip"
unzip -q "$zipfile" -d "$work/zip"
exe=$(find "$work/zip" -name salvo.exe | head -1)
windows=("$tools/wine-run.sh" "$exe")

echo "== 640 x 480"
start_screen 640x480
# Enter, a volley of a held Space and Escape.
play_volley() {
  xdotool key Return
  sleep 5  # the title fades out, the round's banner shows
  xdotool keydown space
  sleep 0.8
  xdotool keyup space
  sleep 0.6
  shoot "$1"
  xdotool key Escape
}

start linux "$linux" --record="$work/linux.rec" || fail "the Linux build shows no window"
sleep 3
shoot linux-title
play_volley linux-volley
finish 10
[[ $code == 0 ]] && pass "Linux: Enter, volley, Escape: exit 0" || fail "Linux: Enter, volley, Escape: exit $code"

start wine "${windows[@]}" --record="$work/wine.rec" || fail "Windows: no window ($(cat "$work/wine.err"))"
sleep 3
shoot wine-title
count=$(differing "$work/linux-title.png" "$work/wine-title.png")
echo "      title: $count of 307200 pixels differ from the Linux build's, by at most $(peak "$work/linux-title.png" "$work/wine-title.png") (0..1)"
[[ $count =~ ^[0-9]+$ && $count -le 64 ]] && pass "Windows: the title is the Linux build's" ||
  fail "Windows: the title differs from the Linux build's in $count pixels"
play_volley wine-volley
moved=$(differing "$work/wine-title.png" "$work/wine-volley.png")
[[ $moved =~ ^[0-9]+$ && $moved -gt 10000 ]] && pass "Windows: the game runs after Enter ($moved pixels changed)" ||
  fail "Windows: the screen after Enter and a volley is still the title ($moved pixels changed)"
finish 10
[[ $code == 0 ]] && pass "Windows: Enter, volley, Escape: exit 0" || fail "Windows: Enter, volley, Escape: exit $code"

# Each system replays the other's game: the same passes, the same state
# hashes every second and at the end.
replay() {  # SYSTEM RECORDING COMMAND...
  local system=$1 recording=$2
  shift 2
  "$@" --replay="$recording" >"$work/replay-$system.out" 2>"$work/replay-$system.err" &
  game=$!
  finish 60
  [[ $code == 0 ]] && pass "$system replays the other system's recording to the same end: exit 0" ||
    fail "$system: the other system's recording: exit $code, said: $(cat "$work/replay-$system.err")"
}
replay Windows "$work/linux.rec" "${windows[@]}"
replay Linux "$work/wine.rec" "$linux"

for system in linux wine; do
  if [[ $system == linux ]]; then start linux "$linux"; else start wine "${windows[@]}"; fi
  sleep 2
  xdotool key Escape
  sleep 1.5
  finish 0
  [[ $code == running ]] && pass "$system: Escape on the title does not end the game" ||
    fail "$system: Escape on the title ended the game ($code)"
  xdotool key Return
  finish 10  # the fade's 100 frames, then the kept Escape
  [[ $code == 0 ]] && pass "$system: the kept Escape ends the game once it starts: exit 0" ||
    fail "$system: after Escape on the title and Enter: $code"
done
stop_screen

echo "== 1920 x 1080 only"
start_screen 1920x1080
"${windows[@]}" >"$work/mode.out" 2>"$work/mode.err" &
game=$!
finish 30
grep -q "^Graphics mode does not exist" "$work/mode.err" && [[ $code == 255 ]] &&
  pass "Windows: default start: \"Graphics mode does not exist\", 255" ||
  fail "Windows: default start: exit $code, said: $(cat "$work/mode.err")"

start desktop "${windows[@]}" --desktop || fail "Windows --desktop: no window"
sleep 3
shoot desktop
bars=$(convert "$work/desktop.png" \( -clone 0 -crop 240x1080+0+0 \) \( -clone 0 -crop 240x1080+1680+0 \) \
  -delete 0 -append -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
centre=$(convert "$work/desktop.png" -crop 1440x1080+240+0 -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
[[ $bars == 0 && $centre != 0 ]] && pass "Windows --desktop: black bars of 240 pixels beside the picture" ||
  fail "Windows --desktop: bars' brightest $bars, picture's $centre"
convert "$work/desktop.png" -crop 1440x1080+240+0 +repage -filter box -resize 640x480 "$work/desktop-small.png"
near=$(compare -metric AE -fuzz 25% "$work/linux-title.png" "$work/desktop-small.png" null: 2>&1 | cut -d' ' -f1)
echo "      scaled title brought back to 640 x 480: $near pixels differ by more than 25% from the Linux title"
[[ $near =~ ^[0-9]+$ && $near -le 3072 ]] && pass "Windows --desktop: the title, scaled" ||
  fail "Windows --desktop: the picture is not the title ($near pixels)"
xdotool key Return
sleep 3
xdotool key Escape
finish 10
[[ $code == 0 ]] && pass "Windows --desktop: Enter, Escape: exit 0" || fail "Windows --desktop: exit $code"

start window "${windows[@]}" --window=2 || fail "Windows --window=2: no window"
sleep 2
size=$(xdotool search --onlyvisible --name '^Salvo$' getwindowgeometry --shell 2>/dev/null |
  sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd x)
# Wine draws the window's frame and title bar itself, around the picture.
width=${size%x*} height=${size#*x}
[[ $width =~ ^[0-9]+$ && $height =~ ^[0-9]+$ && $width -ge 1280 && $width -le 1300 &&
  $height -ge 960 && $height -le 1000 ]] &&
  pass "Windows --window=2: a window of 1280 x 960 inside its frame ($size)" ||
  fail "Windows --window=2: a window of ${size:-no size}"
xdotool key Escape
xdotool key Return
finish 10
[[ $code == 0 ]] && pass "Windows --window=2: Escape, Enter: exit 0" || fail "Windows --window=2: exit $code"
stop_screen

[[ -n ${KEEP_SHOTS:-} ]] && cp "$work"/*.png "$KEEP_SHOTS"/
echo "$failures failure(s)"
[[ $failures == 0 ]]
