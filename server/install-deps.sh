#!/bin/bash
# Installs what the VENTOR server needs on Debian: GT.M, the socket activator that binds the
# gateway to one address, a C compiler and libcrypt for the gateway's password-hash helper,
# openssl for the certificates, iconv (libc-bin) for the routines, stunnel4 for TLS in front of
# the gateway.
set -euo pipefail
PACKAGES=(fis-gtm systemd openssl gcc libcrypt-dev libc-bin procps stunnel4)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
SUDO=""
[[ "$(id -u)" -eq 0 ]] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
