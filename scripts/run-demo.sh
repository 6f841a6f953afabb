#!/usr/bin/env bash
# Sets everything up, starts the demo ERP server on 127.0.0.1 and runs VENTOR Telefon on it,
# logged in as the demo user MEIER, on the simulated telephone line.
#   scripts/run-demo.sh            simulated line (drive it with build/line/ventor-line-sim)
#   scripts/run-demo.sh --sip      SIP line with a local SIP peer (ring it with scripts/ring.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

DATA="${VENTOR_DEMO_DIR:-$HOME/.local/share/ventor-telefon/demo-server}"
PORT="${VENTOR_DEMO_PORT:-1973}"
LINE="sim"
[ "${1:-}" = "--sip" ] && LINE="sip"

if [ ! -f "$DATA/ventor.dat" ]; then
  server/ventor-server create "$DATA"
  server/ventor-server generate "$DATA"
fi
server/ventor-server status "$DATA" >/dev/null 2>&1 || server/ventor-server start "$DATA" "$PORT"

run() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running under Xvfb (xvfb-run)."
    xvfb-run -a "$@"
  else
    "$@"
  fi
}

# The seven-word command line: company, branch, user code, password, server, port, namespace.
run build/app/ventor-telefon 1 0 MEIER telefon 127.0.0.1 "$PORT" VENTOR --line="$LINE"
