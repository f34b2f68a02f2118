#!/usr/bin/env bash
# Installs what is missing, builds, and starts the client (under a virtual
# display when there is none). Arguments are passed to the client.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
QUORBITAL_TESTS=OFF "$root/scripts/build.sh" -DQUORBITAL_TESTS=OFF -DQUORBITAL_BENCH=OFF
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: starting the client under Xvfb (screenshots with: DISPLAY=... import -window root shot.png)"
fi
exec "$root/scripts/with-display.sh" "${BUILD_DIR:-$root/build}/quorbital" "$@"
