#!/usr/bin/env bash
# Takes docs/tray-notification.png: the program under Xvfb with a panel (tint2) whose tray holds
# its icon and a notification service (dunst) showing the call of the demo customer; the number
# of a missed call stands in the tray's tooltip.
#   app/screenshot-tray.sh [BUILD_DIR]     (installs tint2, dunst and ImageMagick when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
for p in tint2 dunst imagemagick openbox dbus; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
    || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$p"
done
WORK="$(mktemp -d)"
PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
cleanup() {
  server/ventor-server stop "$WORK/db" >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

server/ventor-server create "$WORK/db" >/dev/null
server/ventor-server generate "$WORK/db" --customers 300 >/dev/null
server/ventor-server start "$WORK/db" "$PORT" >/dev/null

export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" HOME="$WORK"
mkdir -p "$XDG_CONFIG_HOME/ventor-telefon" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[Pos]\nLeft=300\nTop=900\nWidth=10185\nHight=8000\nPopup=0\n[Line]\nType=sim\n' \
  > "$XDG_CONFIG_HOME/ventor-telefon/Telefon.ini"

export SHOT="$WORK/shot.png"
xvfb-run -a -s "-screen 0 1024x720x24" dbus-run-session -- bash -c '
  openbox 2>/dev/null & sleep 0.5
  tint2 2>/dev/null & dunst 2>/dev/null & sleep 1
  "$0" 1 0 MEIER telefon 127.0.0.1 "$1" VENTOR --line=sim 2>/dev/null &
  APP=$!
  for i in $(seq 50); do "$2" status >/dev/null 2>&1 && break; sleep 0.2; done
  sleep 1
  "$2" ring 030123456 >/dev/null; sleep 4; "$2" hangup >/dev/null; sleep 1
  "$2" ring 030123456 >/dev/null; sleep 2
  import -window root "$SHOT"
  kill $APP; kill %1 %2 %3 2>/dev/null || true
' "$BUILD/app/ventor-telefon" "$PORT" "$BUILD/line/ventor-line-sim"
mkdir -p docs
cp "$SHOT" docs/tray-notification.png
echo "docs/tray-notification.png written"
