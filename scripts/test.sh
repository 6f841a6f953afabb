#!/usr/bin/env bash
# Sets everything up and runs every test (unit, widgets offscreen, real GT.M server, SIP line),
# then the sanitizer build of the server link and the whole program on spoiled replies.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j2 --timeout 600)
scripts/sanitize.sh
