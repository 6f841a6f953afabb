#!/bin/bash
# Installs what the VENTOR server needs on Debian: GT.M, a C compiler with libcrypt for the
# gateway's password-hash helper and with OpenSSL and libconfig for GT.M's TLS plugin (built
# from the sources GT.M ships), openssl for the certificates, iconv (libc-bin) for the routines.
set -euo pipefail
PACKAGES=(fis-gtm openssl gcc patch libcrypt-dev libssl-dev libconfig-dev libc-bin procps)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
SUDO=""
[[ "$(id -u)" -eq 0 ]] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
