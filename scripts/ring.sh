#!/usr/bin/env bash
# Rings the running demo program with a caller number, as an outside caller would:
#   scripts/ring.sh [--sip|--sim] NUMBER      e.g. scripts/ring.sh 030123456
# On the SIP line (scripts/run-demo.sh --sip) the local SIP peer places a real SIP call; on the
# simulated line ventor-line-sim reports the call. Without --sip or --sim the SIP peer is used
# when one is running, else the simulated line. The caller hangs up with: scripts/ring.sh --hangup
set -euo pipefail
cd "$(dirname "$0")/.."
PEER=build/line/ventor-sip-peer
SIM=build/line/ventor-line-sim

usage() {
  echo "usage: scripts/ring.sh [--sip|--sim] NUMBER | scripts/ring.sh [--sip|--sim] --hangup" >&2
  exit 2
}

LINE=""
case "${1:-}" in
  --sip) LINE="sip"; shift ;;
  --sim) LINE="sim"; shift ;;
esac
[ $# -eq 1 ] || usage
if [ -z "$LINE" ]; then
  if [ -x "$PEER" ] && "$PEER" status >/dev/null 2>&1; then LINE="sip"; else LINE="sim"; fi
fi

if [ "$1" = "--hangup" ]; then
  [ "$LINE" = "sip" ] && exec "$PEER" hangup
  exec "$SIM" hangup
fi
case "$1" in
  *[!0-9]* | "") echo "ring.sh: the caller number must be digits: $1" >&2; exit 2 ;;
esac
[ "$LINE" = "sip" ] && exec "$PEER" ring "$1"
exec "$SIM" ring "$1"
