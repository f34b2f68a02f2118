#!/usr/bin/env bash
# Installs every Debian package the client, its tests and benchmarks need.
# Idempotent: when everything is present it only checks and returns.
#
# The font with Chinese glyphs is WenQuanYi Micro Hei (fonts-wqy-microhei):
# one sans-serif face covering the Chinese texts of the skins, dialogs and
# pages, a 1.6 MB download where the Noto CJK set is 56 MB. The client's
# package accepts either.
set -euo pipefail

packages=(
  build-essential cmake pkg-config g++ clang libclang-rt-14-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libegl-dev libcurl4-openssl-dev ca-certificates
  libminizip-dev zlib1g-dev libpugixml-dev
  # Signed page-bundle updates: libsodium checks them; the minisign tool signs
  # the demo service's archives and those of the tests.
  libsodium-dev minisign
  libgtest-dev libgmock-dev
  # scripts/lint.sh: the formatting check and the static checks.
  clang-format clang-tidy
  xvfb xauth openbox xdotool x11-utils imagemagick
  python3 zip unzip curl nodejs
  fonts-wqy-microhei
  # The end-to-end tests make a Chinese locale with localedef from its source.
  locales
  # The Wayland end-to-end test runs the client under a headless compositor.
  weston
  # The engine confines its web processes with bubblewrap (WebKit's sandbox
  # and its D-Bus proxy); the test display gives each run a session bus of
  # its own.
  bubblewrap xdg-dbus-proxy dbus-daemon
  # The accessibility end-to-end test: the accessibility bus and its
  # registry, and the tree read through AT-SPI.
  at-spi2-core python3-gi gir1.2-atspi-2.0 python3-pyatspi
  # The screen reader test: Orca walks the windows and speaks through
  # speech-dispatcher, whose generic module writes each utterance to a file.
  orca speech-dispatcher
  # The README's robustness check runs the suite beside a load on every core.
  stress-ng
  # Building the Debian package and checking it; the desktop tools the
  # package test opens a document with.
  dpkg-dev fakeroot lintian appstream desktop-file-utils shared-mime-info
  xdg-utils libgtk-3-bin gtk-update-icon-cache hicolor-icon-theme
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
