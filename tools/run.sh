#!/usr/bin/env bash
# Installs what is missing, builds, and starts Fendrel under Wine: the shipped 32-bit build
# where this machine's kernel runs 32-bit programs itself (under WOW64, as on 64-bit Windows),
# else the 64-bit build of the same sources; an emulated 32-bit window would be too slow to use.
# It says which one it started. Without a display the window opens on a virtual screen (Xvfb).
#
#   bash tools/run.sh                  the window, for a person
#   bash tools/run.sh --default-scan   a scan with the default options, pressed by a driver; prints
#                                      where the log is and its footer
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh"
bash "$top/tools/wine-prefix.sh"
arch=x86_64
case "$(bash "$top/tools/runs-32-bit.sh")" in native:*) arch=i686 ;; esac
build="$top/build/$arch"
echo "Starting the $arch build: $build/Fendrel.exe"
screen=(xvfb-run -a -s "-screen 0 1280x1024x24")
if [ "${1:-}" = "--default-scan" ]; then
  status=0
  "${screen[@]}" "$build/wine-run.sh" "$build/tests/default_scan.exe" || status=$?
  WINEPREFIX="$top/build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  exit $status
fi
if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wine-run.sh" "$build/Fendrel.exe"
fi
exec "${screen[@]}" "$build/wine-run.sh" "$build/Fendrel.exe"
