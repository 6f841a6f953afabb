#!/usr/bin/env bash
# Sets everything up, starts the demo ERP server on 127.0.0.1 and runs VENTOR Telefon on it,
# logged in as the demo user MEIER, on the simulated telephone line or on a SIP line.
#   scripts/run-demo.sh            simulated line
#   scripts/run-demo.sh --sip      SIP line, with a local SIP peer that plays the caller
# Ring the program with scripts/ring.sh NUMBER (030123456 is the demo customer Müller Bau GmbH).
#
# On the SIP line the program and the peer call each other directly on loopback: the program
# listens on 127.0.0.1:5070, the peer (build/line/ventor-sip-peer serve) on 127.0.0.1:5080. The
# demo keeps its own settings (~/.config is not touched) under the demo directory, so a SIP
# account or window place configured for real use is left as it is. The peer ends with the
# program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

DATA="${VENTOR_DEMO_DIR:-$HOME/.local/share/ventor-telefon/demo-server}"
PORT="${VENTOR_DEMO_PORT:-1973}"
LINE="sim"
case "${1:-}" in
  --sip) LINE="sip" ;;
  --sim | "") ;;
  *) echo "usage: scripts/run-demo.sh [--sip]" >&2; exit 2 ;;
esac

if [ ! -f "$DATA/ventor.dat" ]; then
  server/ventor-server create "$DATA"
  server/ventor-server generate "$DATA"
fi
# The demo server speaks TLS with a self-signed certificate made on its first start; one left
# running from before TLS is started again.
if server/ventor-server status "$DATA" >/dev/null 2>&1 && [ ! -f "$DATA/tls/gtmcrypt.cfg" ]; then
  server/ventor-server stop "$DATA" >/dev/null
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

# The demo's own settings. Its first run gets a window of the designed size instead of the
# stored default's small one.
export XDG_CONFIG_HOME="$DATA/config"
DEMO_INI="$XDG_CONFIG_HOME/ventor-telefon/Telefon.ini"
mkdir -p "$(dirname "$DEMO_INI")"
[ -f "$DEMO_INI" ] || printf '[Pos]\nLeft=300\nTop=300\nWidth=10185\nHight=8000\n' > "$DEMO_INI"

# The program trusts the demo server's certificate (key "Zertifikat" of "Cache Login.ini").
LOGIN_INI="$XDG_CONFIG_HOME/ventor-telefon/Cache Login.ini"
[ -f "$LOGIN_INI" ] || printf '[Login]\n' > "$LOGIN_INI"
awk -v cert="$DATA/tls/server.crt" '
  /^\[/ { inLogin = ($0 == "[Login]") }
  inLogin && /^(Zertifikat|Verbindung)=/ { next }
  { print }
  $0 == "[Login]" { print "Zertifikat=" cert }' "$LOGIN_INI" > "$LOGIN_INI.new"
mv "$LOGIN_INI.new" "$LOGIN_INI"

# Writes the SIP demo's line settings into the demo's Telefon.ini, keeping the other sections
# (window place, popup choice) the program stored there.
write_sip_settings() {
  local ini="$DEMO_INI"
  awk '/^\[/ { skip = ($0 == "[Line]") } !skip' "$ini" > "$ini.new"
  cat >> "$ini.new" <<INI
[Line]
Type=sip
SipMode=peer
SipServer=127.0.0.1:5080
SipPort=5070
SipBind=127.0.0.1
SipAudioPort=7078
SipAudio=files
SipDataDir=$DATA/sip-line
INI
  mv "$ini.new" "$ini"
}

PEER_PID=""
stop_peer() {
  if [ -n "$PEER_PID" ] && kill -0 "$PEER_PID" 2>/dev/null; then
    kill "$PEER_PID" 2>/dev/null || true
    wait "$PEER_PID" 2>/dev/null || true
  fi
}

if [ "$LINE" = "sip" ]; then
  PEER=build/line/ventor-sip-peer
  if [ ! -x "$PEER" ]; then
    echo "$PEER is missing: this build has no SIP line (liblinphone C++ not found)." >&2
    exit 1
  fi
  write_sip_settings
  mkdir -p "$DATA/sip-peer"
  "$PEER" serve --port 5080 --audio-port 7090 --bind 127.0.0.1 --line 127.0.0.1:5070 \
    --answering answer --data-dir "$DATA/sip-peer" > "$DATA/sip-peer.log" 2>&1 &
  PEER_PID=$!
  trap stop_peer EXIT
  trap 'exit 130' INT TERM
  for _ in $(seq 50); do
    "$PEER" status >/dev/null 2>&1 && break
    kill -0 "$PEER_PID" 2>/dev/null || { cat "$DATA/sip-peer.log" >&2; exit 1; }
    sleep 0.1
  done
  echo "SIP peer running (log: $DATA/sip-peer.log). Ring the program: scripts/ring.sh 030123456"
  echo "Answer with F5, turn the call away with F6."
fi

# The seven-word command line: company, branch, user code, password, server, port, namespace.
run build/app/ventor-telefon 1 0 MEIER telefon 127.0.0.1 "$PORT" VENTOR --line="$LINE"
