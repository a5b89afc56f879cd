#!/usr/bin/env bash
# Compares ComputeFileMd5 under wine64 with md5sum on the same 256 MiB file and times
# VerifyFileSignature on the signed test fixture. Prints figures; asserts nothing about speed.
#
#   bash tools/bench-md5.sh [build folder]     (default: build/x86_64, made by tools/build.sh)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/x86_64}" && pwd)
cmake --build "$build" -j2 --target md5_bench facts_fixtures > /dev/null

file="$build/bench-md5.bin"
bytes=$((256 * 1024 * 1024))
if [ ! -f "$file" ] || [ "$(stat -c %s "$file")" != "$bytes" ]; then
  head -c "$bytes" /dev/urandom > "$file.tmp" && mv "$file.tmp" "$file"
fi
winpath() { echo "Z:${1//\//\\}"; }

# Warm the page cache, then the best of three runs.
digest=$(md5sum "$file" | cut -d' ' -f1 | tr a-f A-F)
best=
for run in 1 2 3; do
  start=$(date +%s%N)
  md5sum "$file" > /dev/null
  elapsed=$(( $(date +%s%N) - start ))
  if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
done
rate=$(awk -v b="$bytes" -v ns="$best" 'BEGIN { printf "%.1f", b / 1e6 / (ns / 1e9) }')

fixtures="$build/tests/facts_fixtures"
"$build/wine-run.sh" "$build/bench/md5_bench.exe" "$(winpath "$file")" "$rate" "$digest" \
  "$(winpath "$fixtures/signed.exe")" "$(winpath "$fixtures/company_full.exe")"
