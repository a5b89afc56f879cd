#!/usr/bin/env bash
# Makes the build's Wine prefix once (the first start of a prefix takes a while) and keeps a
# wineserver running so that each test program starts quickly.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$top/build/x86_64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i > /dev/null 2>&1 || true
fi
/usr/lib/wine/wineserver -w
/usr/lib/wine/wineserver -p
