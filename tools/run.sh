#!/usr/bin/env bash
# Installs what is missing, builds, and starts Fendrel. These Linux machines cannot run 32-bit
# Windows programs, so the 64-bit build of the same sources runs under wine64 with the build's
# own prefix; on Windows the user simply runs build/i686/Fendrel.exe. Without a display the
# window opens on a virtual screen (Xvfb).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh"
export WINEPREFIX="$top/build/x86_64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i > /dev/null 2>&1 || true
fi
program="$top/build/x86_64/Fendrel.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec /usr/lib/wine/wine64 "$program"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" /usr/lib/wine/wine64 "$program"
