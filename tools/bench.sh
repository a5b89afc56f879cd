#!/usr/bin/env bash
# Builds both builds and runs the benchmarks of each under Wine (the shipped 32-bit build under
# WOW64, where the machine runs 32-bit programs natively: emulated figures would say nothing
# about the program), printing their figures.
# Usage: bash tools/bench.sh [pattern|md5|walk|robustness|responsiveness|product]   (no argument: every benchmark)
#   pattern         MatchesPattern against the standard library's regular expressions
#   md5             ComputeFileMd5 against md5sum on a 256 MiB file; VerifyFileSignature per file
#   walk            the folder walk against a bare FindFirstFileW walk of a generated tree of
#                   10,000 and of 100,000 files, with peak memory
#   robustness      the slow robustness cases: 50 scans with every option, with open handles and
#                   committed memory before and after; a folder chain to the host's path limit and
#                   100,000 files in one folder, each log checked for its end
#   responsiveness  the window's answer times (WM_USER every 10 ms) during a walk-heavy scan of a
#                   generated tree of 100,000 files, a scan of 20,000 recent folders and the MD5
#                   of a sparse 1 GiB file
#   product         scans through the window against the bare FindFirstFileW walk of the same
#                   tree (a generated tree of 172,600 files in 200,022 entries, and /usr seen as
#                   Z:\usr), and the MD5 of a sparse file beyond 4 GiB through the window against
#                   md5sum's
# FENDREL_BENCH_BUILD=<folder> uses that configured test build alone instead of build/x86_64 and
# build/i686 (only the benchmarks' targets are built there); FENDREL_BENCH_REAL_TREE=<Linux
# folder> scans another real tree than /usr.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
case "$which" in
  all|pattern|md5|walk|robustness|responsiveness|product) ;;
  *)
    echo "unknown section: $which" >&2
    sed -n '/^# Usage:/,/^# FENDREL_BENCH_BUILD/{/^# FENDREL_BENCH_BUILD/d; s/^# \{0,1\}//p}' "$0" >&2
    exit 2
    ;;
esac
# The window needs a display: without one, the whole run goes on a virtual screen, so that the
# prefix's desktop, which starts with its first program, is on the screen the windows use.
if [ -z "${DISPLAY:-}" ]; then
  status=0
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@" || status=$?
  WINEPREFIX="$top/build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  exit $status
fi
if [ -n "${FENDREL_BENCH_BUILD:-}" ]; then
  builds=$(cd "$FENDREL_BENCH_BUILD" && pwd)
  cmake --build "$builds" -j2 --target pattern_bench md5_bench walk_bench robustness_bench responsiveness_bench \
    product_bench > /dev/null
else
  bash "$top/tools/setup.sh" > /dev/null
  bash "$top/tools/build.sh" > /dev/null
  builds="$top/build/x86_64"
  case "$(bash "$top/tools/runs-32-bit.sh")" in native:*) builds="$builds $top/build/i686" ;; esac
fi
bash "$top/tools/wine-prefix.sh"
# The prefix's services start with its first program and would keep that program's output open
# (and a pipe reading the figures waiting) for as long as the server lives: they start here, with
# their output going nowhere.
WINEPREFIX="$top/build/wineprefix" WINEDEBUG=-all /usr/lib/wine/wine64 cmd.exe /c exit > /dev/null 2>&1 < /dev/null || true
work="$top/build/bench-work"
mkdir -p "$work"
winpath() { echo "Z:${1//\//\\}"; }
# The machine may be shared: its load beside the figures tells how far to trust them.
load() { echo "machine load average (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"; }

for build in $builds; do
  run="$build/wine-run.sh"
  echo "######## $(basename "$build") build"
  if [ "$which" = all ] || [ "$which" = pattern ]; then
    echo "== MatchesPattern, nanoseconds per call =="
    "$run" "$build/bench/pattern_bench.exe"
  fi

  if [ "$which" = all ] || [ "$which" = md5 ]; then
    echo "== MD5 and signature check =="
    bash "$top/tools/bench-md5.sh" "$build"
  fi

  if [ "$which" = all ] || [ "$which" = walk ]; then
    echo "== Folder walk against the bare listing (each size in a process of its own) =="
    for files in 10000 100000; do
      "$run" "$build/bench/walk_bench.exe" "$(winpath "$work")" "$files"
    done
  fi

  if [ "$which" = all ] || [ "$which" = robustness ]; then
    echo "== Slow robustness cases =="
    "$run" "$build/bench/robustness_bench.exe"
  fi

  if [ "$which" = all ] || [ "$which" = responsiveness ]; then
    echo "== Responsiveness of the window during scans =="
    load
    "$run" "$build/bench/responsiveness_bench.exe" "$(winpath "$work")" 100000
    load
  fi

  if [ "$which" = all ] || [ "$which" = product ]; then
    echo "== Whole product against the bare walk =="
    load
    # A sparse file a little beyond 4 GiB, with random bytes at its start, across the 4 GiB mark
    # and at its end, so that a digest that lost the high half of an offset would differ.
    big="$work/beyond-4gib/big.bin"
    bytes=$(( (4 << 30) + (3 << 20) + 12345 ))
    if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" != "$bytes" ]; then
      mkdir -p "$(dirname "$big")"
      rm -f "$big"
      truncate -s "$bytes" "$big"
      head -c $((1 << 20)) /dev/urandom | dd of="$big" conv=notrunc status=none
      head -c $((1 << 20)) /dev/urandom | dd of="$big" bs=1M seek=$(( (4 << 30) - (1 << 19) )) oflag=seek_bytes \
        conv=notrunc status=none
      head -c 100000 /dev/urandom | dd of="$big" bs=100000 seek=$(( bytes - 100000 )) oflag=seek_bytes \
        conv=notrunc status=none
    fi
    md5sum "$big" > /dev/null  # the same warm cache for both
    start=$(date +%s%N)
    digest=$(md5sum "$big" | cut -d' ' -f1 | tr a-f A-F)
    seconds=$(awk -v ns="$(( $(date +%s%N) - start ))" 'BEGIN { printf "%.3f", ns / 1e9 }')
    real=${FENDREL_BENCH_REAL_TREE:-/usr}
    # Real PE files dated now, so that the window's defaults list them: copies of the prefix's
    # two system folders.
    if [ ! -f "$work/real-pe.made" ]; then
      rm -rf "$work/real-pe" && mkdir -p "$work/real-pe"
      cp -r "$top/build/wineprefix/drive_c/windows/system32" "$top/build/wineprefix/drive_c/windows/syswow64" "$work/real-pe/"
      touch "$work/real-pe.made"
    fi
    "$run" "$build/bench/product_bench.exe" "$(winpath "$work")" 172600 "$(winpath "$real")" \
      "$(winpath "$big")" "$digest" "$seconds"
    load
  fi
done
