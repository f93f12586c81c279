#!/usr/bin/env bash
# A game recorded by the real executable under a private Xvfb is ended from
# outside five ways: SIGINT, SIGTERM, SIGHUP, the X server killed, the window
# destroyed. Each time the recording must be finished, so that it replays to
# where the game stopped with exit code 0 and nothing on stderr.
# Usage: recording_ends_test.sh SALVO_EXECUTABLE
set -u
salvo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
# shellcheck source=tests/display/x_server.sh
source "$(dirname "$0")/x_server.sh"

# Records a game past its title, fires once and ends it the way named.
record() {
  local ending=$1
  start_server
  "$salvo" --record="$work/game.rec" 2>"$work/record.err" &
  local game_pid=$! window
  window=$(find_window "$game_pid")
  [[ -n "$window" ]] || fail "$ending: no game window appeared"
  xdotool key Return
  sleep 2.5
  xdotool key space
  sleep 0.5
  case $ending in
    server) kill "$xvfb_pid" ;;
    window) xdotool windowclose "$window" ;;
    *) kill "-$ending" "$game_pid" ;;
  esac
  wait_gone "$game_pid" 50
  kill -KILL "$game_pid" 2>/dev/null && fail "$ending: the game was still running"
  wait "$game_pid"
  echo "$ending: recorded, exit code $?, stderr: $(tr '\n' '|' <"$work/record.err")"
  stop_server
}

replay() {
  local ending=$1
  start_server
  timeout 60 "$salvo" --replay="$work/game.rec" 2>"$work/replay.err"
  local code=$?
  stop_server
  echo "$ending: replayed, exit code $code, stderr: $(tr '\n' '|' <"$work/replay.err")"
  [[ $code -eq 0 ]] || fail "$ending: the replay ended with exit code $code"
  [[ ! -s $work/replay.err ]] || fail "$ending: the replay wrote to stderr"
}

for ending in INT TERM HUP server window; do
  rm -f "$work/game.rec"
  record "$ending"
  replay "$ending"
done

exit $((failures > 0))
