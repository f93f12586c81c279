#!/usr/bin/env bash
# The game under a private Xvfb loses its display three ways: the X server
# dies, the window is destroyed, the X client is killed. Each time the process
# must be gone within 3 seconds, with a non-zero exit code and one line on
# stderr. On an X server whose mode can switch (Xorg's dummy driver at
# 1024 x 768), a destroyed window also leaves the desktop its own mode.
# Usage: display_loss_test.sh SALVO_EXECUTABLE
set -u
salvo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work
# shellcheck source=tests/display/x_server.sh
source "$(dirname "$0")/x_server.sh"

# Starts Xorg with its dummy driver at 1024 x 768 with a 640 x 480 mode, as
# start_server does; false when Xorg or the driver is not installed.
start_switching_server() {
  [[ -x /usr/lib/xorg/Xorg && -f /usr/lib/xorg/modules/drivers/dummy_drv.so ]] || return 1
  command -v xrandr >/dev/null || return 1
  local number
  number=$(free_display)
  printf '%s\n' 'Section "Device"' ' Identifier "card"' ' Driver "dummy"' ' VideoRam 32768' \
    'EndSection' 'Section "Monitor"' ' Identifier "monitor"' ' HorizSync 5.0 - 1000.0' \
    ' VertRefresh 5.0 - 200.0' 'EndSection' 'Section "Screen"' ' Identifier "screen"' \
    ' Device "card"' ' Monitor "monitor"' ' DefaultDepth 24' ' SubSection "Display"' \
    '  Depth 24' '  Modes "1024x768" "640x480"' ' EndSubSection' 'EndSection' >"$work/xorg.conf"
  /usr/lib/xorg/Xorg ":$number" -config "$work/xorg.conf" -noreset -nolisten tcp \
    -logfile "$work/xorg.log" >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$number"
  wait_for_server
}

current_mode() {
  xrandr 2>/dev/null | awk '/\*/ {print $1; exit}'
}

# Starts the game and waits for its window; sets game_pid and window.
start_game() {
  SDL_AUDIODRIVER=dummy "$salvo" 2>"$work/stderr" &
  game_pid=$!
  window=$(find_window "$game_pid")
  [[ -n "$window" ]] || fail "no game window appeared"
  xdotool key Return  # start playing
  sleep 3             # past the title's fade-out
  xdotool keydown space
  sleep 0.3
}

# Waits up to 3 seconds for the game to end; checks exit code and message.
expect_gone() {
  local what=$1
  if ! wait_gone "$game_pid" 30; then
    fail "$what: the game is still running 3 s later"
    kill -KILL "$game_pid" 2>/dev/null
    wait "$game_pid" 2>/dev/null
    return
  fi
  wait "$game_pid"
  local code=$?
  local lines
  lines=$(wc -l <"$work/stderr")
  echo "$what: exit code $code, stderr: $(tr '\n' '|' <"$work/stderr")"
  [[ $code -ne 0 ]] || fail "$what: exit code 0"
  [[ $lines -eq 1 ]] || fail "$what: $lines lines on stderr, expected one"
}

start_server
start_game
kill "$xvfb_pid"
expect_gone "X server killed"
wait "$xvfb_pid" 2>/dev/null

start_server
start_game
xdotool windowclose "$window"
expect_gone "window destroyed"
stop_server

start_server
start_game
xdotool windowkill "$window"
expect_gone "X client killed"
stop_server

if start_switching_server; then
  start_game
  [[ $(current_mode) == 640x480 ]] || fail "the display did not switch to 640 x 480"
  xdotool windowclose "$window"
  expect_gone "window destroyed on a switched display"
  mode=$(current_mode)
  [[ $mode == 1024x768 ]] || fail "window destroyed: the display was left at $mode"
  stop_server
else
  echo "skipped the switched display: no Xorg with its dummy driver"
fi

exit $((failures > 0))
