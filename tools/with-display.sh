#!/usr/bin/env bash
# Runs a command with an X display: the current one, or a fresh Xvfb of
# 640 x 480 x 24 when there is none.
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 640x480x24" "$@"
