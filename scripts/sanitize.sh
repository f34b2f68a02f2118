#!/usr/bin/env bash
# Builds the unit tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (gcc, QUORBITAL_SANITIZE) into build-sanitize/ and runs them. Tests that
# drive WebKit pages, need a display, install, or test the bundle's scripts
# and helper scripts are left to the normal suite: they are slow under the
# sanitizers, and most of what they run is not ours. A sanitizer report makes
# its test fail; the failing tests' output is printed.
#   scripts/sanitize.sh [ctest arguments...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SANITIZE_BUILD_DIR:-$root/build-sanitize}"
excluded='display|e2e|install|scripts|bundle'

CC=gcc CXX=g++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORBITAL_SANITIZE=ON -DQUORBITAL_TESTS=ON \
  -DQUORBITAL_BENCH=OFF >/dev/null

# Build only the programs of the selected tests (q_test names each test
# program after its test).
targets="$(ctest --test-dir "$build" -N -LE "$excluded" --show-only=json-v1 | python3 -c '
import json, sys
for test in json.load(sys.stdin)["tests"]:
    print(test["name"])')"
if [ -z "$targets" ]; then
  echo "SANITIZE: no unit tests found"
  exit 1
fi
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" --target $targets >"$build/sanitize-build.log" 2>&1 || {
  grep -E "error|Error" "$build/sanitize-build.log" | head -n 40
  echo "SANITIZE: the sanitizer build FAILED (log: $build/sanitize-build.log)"
  exit 1
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
if FORCE_XVFB=1 PRIVATE_HOME=1 "$root/scripts/with-display.sh" \
    ctest --test-dir "$build" -LE "$excluded" --output-on-failure -j"$(nproc)" "$@"; then
  echo "SANITIZE: unit tests passed under AddressSanitizer and UndefinedBehaviorSanitizer"
else
  echo "SANITIZE FAILED: see the tests' output above (build: $build)"
  exit 1
fi
