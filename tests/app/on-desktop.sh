#!/usr/bin/env bash
# Runs a command on a display of its own with a window manager (Xvfb and openbox), so that
# window frames, titles and activation are the desktop's, not the toolkit's.
#   tests/app/on-desktop.sh COMMAND [ARGS...]
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
  code=0
  "$@" || code=$?
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  exit "$code"' on-desktop "$@"
