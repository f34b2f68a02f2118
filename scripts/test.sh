#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under a
# private virtual display with private HOME and XDG directories.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DQUORBITAL_TESTS=ON
build="${BUILD_DIR:-$root/build}"
FORCE_XVFB=1 PRIVATE_HOME=1 "$root/scripts/with-display.sh" \
  ctest --test-dir "$build" --output-on-failure -j2 "$@"
