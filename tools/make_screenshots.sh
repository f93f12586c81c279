#!/usr/bin/env bash
# Pictures of the game for the README: the title screen and a busy moment of
# the first round, drawn by the real executable through the system's OpenGL
# driver on a private 640 x 480 Xvfb server and read back with ImageMagick's
# `import`. Usage: make_screenshots.sh SALVO_EXECUTABLE OUT_DIR
set -euo pipefail
salvo=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
number=${SALVO_SCREENSHOT_DISPLAY:-70}
while [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
server=$!
game=""
cleanup() {
  [[ -n $game ]] && kill "$game" 2>/dev/null
  kill "$server" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$number"
for _ in $(seq 50); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

SDL_AUDIODRIVER=dummy "$salvo" --mute 2>"$work/game.log" &
game=$!
for _ in $(seq 200); do
  xdotool search --pid "$game" --onlyvisible >/dev/null 2>&1 && break
  sleep 0.1
done
shoot() {
  import -window root "png:$work/shot.png"
  # Plain 8-bit RGB without dates or other chunks that change from run to run.
  convert "$work/shot.png" -strip -define png:color-type=2 "$out/$1"
  echo "wrote $out/$1"
}

sleep 3  # the title fades in
shoot title.png

xdotool key Return
sleep 12  # the fade, the round's banner and the first waves coming down
for charge in 0.6 0.3 0.9 0.4; do
  xdotool keydown Right
  sleep 0.3
  xdotool keyup Right keydown space
  sleep "$charge"
  xdotool keyup space
  sleep 0.5
  xdotool keydown Left
  sleep 0.4
  xdotool keyup Left
done
xdotool keydown space
sleep 0.7
xdotool keyup space
sleep 0.45  # the volley bursting among the troops
shoot battle.png
