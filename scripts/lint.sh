#!/usr/bin/env bash
# The style and static checks CI runs: every C++ file of the tree must match
# .clang-format, clang-tidy (the checks in .clang-tidy) must find nothing in
# the system's own folders and the three layers under them (engine/ with
# engine/webext/, ui/, platform/), and no two libraries may depend on each
# other (scripts/library_cycles.py). clang-tidy reads the compile commands of
# the build directory, so the tree must have been configured first
# (scripts/build.sh). Tests, benchmarks and fuzz targets are formatted but not
# tidied.
# Prints each finding and exits non-zero if there is any.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cd "$root"

formatted=(program app browser bridge download mainwnd update util engine ui platform tests bench fuzz)
tidied=(program app browser bridge download mainwnd update util engine ui platform)

status=0
mapfile -d '' files < <(find "${formatted[@]}" \( -name '*.cc' -o -name '*.h' \) -print0 | sort -z)
echo "clang-format: ${#files[@]} files"
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "clang-format: the files above differ from .clang-format (fix with clang-format -i)"
  status=1
fi

if [ ! -f "$build/compile_commands.json" ]; then
  echo "clang-tidy: no $build/compile_commands.json; configure the build first" >&2
  exit 1
fi
root_re="${root//./\\.}"  # the root as a regular expression
# Subfolders (bridge/renderer/, engine/webext/) belong to their folder.
pattern="^$root_re/($(IFS='|'; echo "${tidied[*]}"))/([^/]*/)?[^/]*\\.cc\$"
count="$(python3 -c 'import json, re, sys
print(sum(1 for e in json.load(open(sys.argv[1])) if re.search(sys.argv[2], e["file"])))' \
  "$build/compile_commands.json" "$pattern")"
if [ "$count" -eq 0 ]; then
  echo "clang-tidy: no source in $build/compile_commands.json matches $pattern" >&2
  exit 1
fi
echo "clang-tidy: $count sources of ${tidied[*]}"
# run-clang-tidy prints each file's command and a count of the warnings it
# suppressed in headers; only the findings are worth reading.
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
tidy=0
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "$pattern" >"$log" 2>&1 || tidy=$?
sed 's/\x1b\[[0-9;]*m//g' "$log" |
  grep -v -E '^(clang-tidy-[0-9]+ |[0-9]+ warnings?( and [0-9]+ errors?)? generated|Suppressed [0-9]+ warnings|Use -header-filter|Running clang-tidy for)' |
  sed '/^$/d' || true
if [ "$tidy" -ne 0 ]; then
  echo "clang-tidy: findings above"
  status=1
fi
# Libraries depend one way only, by what they link and what they include.
if ! python3 "$root/scripts/library_cycles.py" "$build"; then
  echo "library cycles: the libraries above depend on each other"
  status=1
fi
exit $status
