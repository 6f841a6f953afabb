#!/usr/bin/env bash
# Takes docs/main-window.png: the real main window on the demo data under Xvfb, logged in as
# MEIER, while the demo customer calls on the simulated line.
#   app/screenshot.sh [BUILD_DIR]      (needs xvfb-run and ImageMagick's import)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
WORK="$(mktemp -d)"
PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
cleanup() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null || true
  server/ventor-server stop "$WORK/db" >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

server/ventor-server create "$WORK/db" >/dev/null
server/ventor-server generate "$WORK/db" >/dev/null
server/ventor-server start "$WORK/db" "$PORT" >/dev/null

# A window of the designed size (client area 10185 x 7575 twips plus menu bar).
export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_CONFIG_HOME/ventor-telefon" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cat > "$XDG_CONFIG_HOME/ventor-telefon/Telefon.ini" <<INI
[Pos]
Left=300
Top=300
Width=10185
Hight=8000
Popup=1
[Line]
Type=sim
INI

export DISPLAY_SHOT="$WORK/shot.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" 1 0 MEIER telefon 127.0.0.1 "$1" VENTOR --line=sim &
  APP=$!
  for i in $(seq 50); do "$2" status >/dev/null 2>&1 && break; sleep 0.2; done
  "$2" ring 030123456 >/dev/null
  sleep 1
  import -window root -crop 700x560+15+15 "$DISPLAY_SHOT"
  kill $APP
' "$BUILD/app/ventor-telefon" "$PORT" "$BUILD/line/ventor-line-sim"
mkdir -p docs
cp "$DISPLAY_SHOT" docs/main-window.png
echo "docs/main-window.png written"
