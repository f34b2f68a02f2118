#!/usr/bin/env bash
# Builds the Debian package build/quorbital_<version>_amd64.deb with CPack from
# the installation rules (cmake/Install.cmake, cmake/Package.cmake) and prints
# its path. The build tree is the usual one (build/, or $BUILD_DIR). The suite
# checks the package's files, control fields and lintian's verdict
# (tests/install/package_test.py); scripts/package-test.sh installs it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
rm -f "$build"/quorbital_*.deb
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >"$build/cpack.log" 2>&1) || {
  cat "$build/cpack.log"
  echo "PACKAGE: cpack FAILED (log: $build/cpack.log)"
  exit 1
}
ls "$build"/quorbital_*_amd64.deb
