#!/usr/bin/env bash
# Builds and runs every benchmark in bench/ (each *_bench.cc), one after the
# other, under a private virtual display with private HOME and XDG
# directories. Each prints its figures and the ratio to its reference.
# Benchmarks are run by hand, never by the test suite.
#   scripts/bench.sh [name...]    e.g. scripts/bench.sh startup copydata
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in "$root"/bench/*_bench.cc; do
    names+=("$(basename "$src" _bench.cc)")
  done
fi
targets=()
for name in "${names[@]}"; do targets+=("${name}_bench"); done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DQUORBITAL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# Each benchmark prints a "target: ..." line per target it measures; they are
# gathered into a summary at the end.
summary="$(mktemp)"
output="$(mktemp)"
trap 'rm -f "$summary" "$output"' EXIT
failed=()
for name in "${names[@]}"; do
  echo "==== ${name}_bench ===="
  if ! FORCE_XVFB=1 PRIVATE_HOME=1 "$root/scripts/with-display.sh" "$build/bench/${name}_bench" |
    tee "$output"; then
    echo "${name}_bench FAILED"
    failed+=("$name")
    echo "${name}: FAILED before all its targets were measured" >>"$summary"
  fi
  sed -n "s/^target: /${name}: /p" "$output" >>"$summary"
done
echo "==== targets ($(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)) ===="
cat "$summary"
if [ ${#failed[@]} -ne 0 ]; then
  echo "BENCH FAILED: ${failed[*]}"
  exit 1
fi
