#!/usr/bin/env bash
# The game under a private Xvfb loses its display three ways: the X server
# dies, the window is destroyed, the X client is killed. Each time the process
# must be gone within 3 seconds, with a non-zero exit code and one line on
# stderr. Usage: display_loss_test.sh SALVO_EXECUTABLE
set -u
salvo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Starts Xvfb on the first free display from $SALVO_TEST_FIRST_DISPLAY (90 by
# default); sets xvfb_pid and DISPLAY.
start_server() {
  local number=${SALVO_TEST_FIRST_DISPLAY:-90}
  while [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$number"
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
}

stop_server() {
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
}

# Starts the game and waits for its window; sets game_pid and window.
start_game() {
  SDL_AUDIODRIVER=dummy "$salvo" 2>"$work/stderr" &
  game_pid=$!
  window=""
  for _ in $(seq 200); do
    window=$(xdotool search --pid "$game_pid" --onlyvisible 2>/dev/null | head -n1)
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  [[ -n "$window" ]] || fail "no game window appeared"
  xdotool key Return  # start playing
  sleep 3             # past the title's fade-out
  xdotool keydown space
  sleep 0.3
}

# Waits up to 3 seconds for the game to end; checks exit code and message.
expect_gone() {
  local what=$1
  for _ in $(seq 30); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$game_pid" 2>/dev/null; then
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

exit $((failures > 0))
