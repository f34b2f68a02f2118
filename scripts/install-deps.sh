#!/usr/bin/env bash
# Installs every Debian package the client, its tests and benchmarks need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake pkg-config g++ clang libclang-rt-14-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev ca-certificates
  libminizip-dev zlib1g-dev libpugixml-dev
  libgtest-dev libgmock-dev
  xvfb xauth openbox xdotool x11-utils imagemagick
  python3 zip unzip curl nodejs
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
