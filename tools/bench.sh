#!/usr/bin/env bash
# Builds the test build and runs the benchmarks under wine64, printing their figures.
# Usage: bash tools/bench.sh [pattern|...]   (no argument: every benchmark)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh" > /dev/null
bash "$top/tools/build.sh" > /dev/null
bash "$top/tools/wine-prefix.sh"
run="$top/build/x86_64/wine-run.sh"
which=${1:-all}
if [ "$which" = all ] || [ "$which" = pattern ]; then
  echo "== MatchesPattern, nanoseconds per call =="
  "$run" "$top/build/x86_64/bench/pattern_bench.exe"
fi
