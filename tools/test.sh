#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds both toolchains and runs every test under wine64 and Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh"
bash "$top/tools/wine-prefix.sh"
cd "$top/build/x86_64"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --output-on-failure -j2 --timeout 900 || status=$?
WINEPREFIX="$top/build/x86_64/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
