#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds both toolchains and runs every test under wine64 and Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh"
status=0
# One virtual screen for the prefix's first start and for the tests, so that whatever Wine sets
# up on its first run with a display is done before the first test is timed.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -e
  bash "$1/tools/wine-prefix.sh"
  cd "$1/build/x86_64"
  timeout 600 ./wine-run.sh tests/scan_session_test.exe --gtest_list_tests > /dev/null || true
  ctest --output-on-failure -j2 --timeout 900
' run-tests "$top" || status=$?
WINEPREFIX="$top/build/x86_64/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
