#!/usr/bin/env bash
# Installs what VENTOR Telefon needs on Debian 12 and builds it into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config git patch
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fis-gtm
  liblinphone-dev liblinphone10 liblinphone++10 linphone-common
  qtkeychain-qt6-dev
  kamailio kamailio-tls-modules baresip-core pulseaudio pulseaudio-utils
  dbus-daemon gnome-keyring
  xvfb xauth x11-utils libxcb1-dev
  iproute2 util-linux procps openssl systemd libc-bin libssl-dev libconfig-dev
  desktop-file-utils appstream dbus at-spi2-core python3-pyatspi openbox xdotool baresip-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
# The log stays inside the build folder, out of the repository.
mkdir -p build
LOG=build/build.log
cmake -S . -B build -DCMAKE_BUILD_TYPE="$BUILD_TYPE" > "$LOG" 2>&1 || { cat "$LOG"; exit 1; }
cmake --build build -j"$(nproc)" >> "$LOG" 2>&1 || { tail -50 "$LOG"; exit 1; }
echo "Built into ./build"
