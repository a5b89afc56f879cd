#!/usr/bin/env bash
# Installs what is missing, builds, and starts Fendrel. These Linux machines cannot run 32-bit
# Windows programs, so the 64-bit build of the same sources runs under wine64 with the build's
# own prefix; on Windows the user simply runs build/i686/Fendrel.exe. Without a display the
# window opens on a virtual screen (Xvfb).
#
#   bash tools/run.sh                  the window, for a person
#   bash tools/run.sh --default-scan   a scan with the default options, pressed by a driver; prints
#                                      where the log is and its footer
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh"
bash "$top/tools/wine-prefix.sh"
export WINEPREFIX="$top/build/x86_64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$top/build/x86_64"
screen=(xvfb-run -a -s "-screen 0 1280x1024x24")
if [ "${1:-}" = "--default-scan" ]; then
  status=0
  "${screen[@]}" /usr/lib/wine/wine64 "$top/build/x86_64/tests/default_scan.exe" || status=$?
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  exit $status
fi
program="$top/build/x86_64/Fendrel.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec /usr/lib/wine/wine64 "$program"
fi
exec "${screen[@]}" /usr/lib/wine/wine64 "$program"
