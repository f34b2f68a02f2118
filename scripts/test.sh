#!/usr/bin/env bash
# Installs what is missing, builds, checks formatting and runs the static
# checks (scripts/lint.sh), and runs the whole test suite under a
# private virtual display with private HOME and XDG directories; then the
# fuzz targets for their fixed time (scripts/fuzz.sh) and the unit tests
# under AddressSanitizer and UndefinedBehaviorSanitizer (scripts/sanitize.sh).
# Every part runs even when an earlier one failed; the summary at the end
# names the parts that failed, and the exit status is non-zero if any did.
# Arguments go to ctest for the main suite. SKIP_LINT=1 / SKIP_FUZZ=1 /
# SKIP_SANITIZE=1 leave those parts out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DQUORBITAL_TESTS=ON
build="${BUILD_DIR:-$root/build}"

failed=()
run_part() {
  local name="$1"
  shift
  echo "==== $name ===="
  local start=$SECONDS
  if "$@"; then
    echo "==== $name: passed ($((SECONDS - start)) s) ===="
  else
    echo "==== $name: FAILED ($((SECONDS - start)) s) ===="
    failed+=("$name")
  fi
}

if [ "${SKIP_LINT:-0}" != "1" ]; then
  run_part "lint" "$root/scripts/lint.sh"
fi

# Every test runs once: a test that fails under load is a fault to fix, not
# one to run again. Each test has its own time limit (TIMEOUT in CTest).
run_part "test suite" env FORCE_XVFB=1 PRIVATE_HOME=1 "$root/scripts/with-display.sh" \
  ctest --test-dir "$build" --output-on-failure -j2 "$@"
if [ "${SKIP_FUZZ:-0}" != "1" ]; then
  run_part "fuzzing" "$root/scripts/fuzz.sh"
fi
if [ "${SKIP_SANITIZE:-0}" != "1" ]; then
  run_part "sanitizers" "$root/scripts/sanitize.sh"
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All passed."
