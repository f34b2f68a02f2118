#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into build-fuzz/ and runs
# each for a fixed time on a copy of its seed corpus (fuzz/corpus/<name>/,
# which stays untouched). A crash, a sanitizer report, a leak, a broken check
# or a hang fails the run; the input that caused it is kept in
# build-fuzz/crashes/<name>/ and the fuzzer's last lines are printed.
#   scripts/fuzz.sh [name...]     FUZZ_SECONDS=20 per target by default
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORBITAL_FUZZ=ON -DQUORBITAL_TESTS=OFF \
  -DQUORBITAL_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers >"$build/fuzz-build.log" 2>&1 || {
  tail -n 40 "$build/fuzz-build.log"
  echo "FUZZ: building the fuzzers FAILED (log: $build/fuzz-build.log)"
  exit 1
}

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in "$root"/fuzz/*_fuzz.cc; do
    names+=("$(basename "$src" _fuzz.cc)")
  done
fi

export LANG=C.UTF-8
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
work="$(mktemp -d /tmp/q-fuzz-XXXXXX)"
trap 'rm -rf "$work"' EXIT

failed=()
for name in "${names[@]}"; do
  corpus="$work/$name"
  crashes="$build/crashes/$name"
  mkdir -p "$corpus" "$crashes"
  cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  log="$build/crashes/$name.log"
  if "$build/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" </dev/null >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    cov="$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)"
    echo "fuzz $name: ok, ${runs:-?} runs in ${seconds}s, $cov, corpus $(ls "$corpus" | wc -l) inputs"
  else
    echo "================ fuzz $name FAILED ================"
    grep -v '^#' "$log" | tail -n 60
    echo "input kept in $crashes/; log: $log"
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "FUZZ FAILED: ${failed[*]}"
  exit 1
fi
echo "FUZZ: all ${#names[@]} targets ran clean for ${seconds}s each"
