# shellcheck shell=bash disable=SC2154
# Shell helpers of the display tests, sourced by them: a private X server, the
# game's window, a process's end. The caller sets $work to a scratch folder;
# SALVO_TEST_FIRST_DISPLAY is the first display number tried (90 by default).
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The first display number from SALVO_TEST_FIRST_DISPLAY on that no server holds.
free_display() {
  local number=${SALVO_TEST_FIRST_DISPLAY:-90}
  while [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]]; do number=$((number + 1)); done
  echo "$number"
}

# Waits up to 5 s for the server on $DISPLAY to answer; false if it does not.
wait_for_server() {
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts Xvfb at 640 x 480 on a free display; sets xvfb_pid and DISPLAY.
start_server() {
  local number
  number=$(free_display)
  Xvfb ":$number" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$number"
  wait_for_server
}

stop_server() {
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
}

# Prints the first visible window of process $1, waiting up to 20 s for it.
find_window() {
  local window=""
  for _ in $(seq 200); do
    window=$(xdotool search --pid "$1" --onlyvisible 2>/dev/null | head -n1)
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  echo "$window"
}

# Waits up to $2 tenths of a second for process $1 to end; false if it has not.
wait_gone() {
  for _ in $(seq "$2"); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$1" 2>/dev/null
}
