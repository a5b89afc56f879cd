#!/usr/bin/env bash
# Makes the builds' shared Wine prefix once (its first start takes a while) and starts a
# persistent wineserver, so that each test program starts quickly. It is a 64-bit prefix made
# after 32-bit Wine was installed, so the 32-bit program runs in it under WOW64 as on 64-bit
# Windows. Whatever an earlier run left behind (a live or a stale server of this prefix, from
# a run that was interrupted) is stopped first, never waited on.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$top/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The emulated 32-bit programs the prefix's first start runs start in seconds, not minutes, in a
# guest address space of just over 2 GiB (see cmake/wine-run.sh.in).
export QEMU_RESERVED_VA="${QEMU_RESERVED_VA:-0x81000000}"
server=/usr/lib/wine/wineserver
"$server" -k 2>/dev/null || true
timeout 30 "$server" -w 2>/dev/null || true
# A prefix made before 32-bit Wine was there has no 32-bit system and never gets one.
if [ -f "$WINEPREFIX/system.reg" ] && bash "$top/tools/runs-32-bit.sh" > /dev/null &&
   [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  /usr/lib/wine/wine64 wineboot -i > /dev/null 2>&1 || true
  # The window's faces are Arial, Verdana and Tahoma; Wine brings a Tahoma of its own, and the
  # metric-compatible Liberation Sans and DejaVu Sans stand in for the other two, so labels fit
  # their boxes as on Windows.
  for face in "Arial:Liberation Sans" "Verdana:DejaVu Sans"; do
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%:*}" /d "${face#*:}" /f \
      > /dev/null 2>&1 || true
  done
  timeout 120 "$server" -w 2>/dev/null || "$server" -k 2>/dev/null || true
fi
# The server and, on a display, the prefix's services and desktop (which start with the first
# program) are started here with their output going nowhere: one that held a caller's output
# open would keep the caller waiting for its end, a test runner for ever. Without a display the
# first program on a virtual screen starts them there.
"$server" -p > /dev/null 2>&1 < /dev/null
if [ -n "${DISPLAY:-}" ]; then
  /usr/lib/wine/wine64 cmd.exe /c exit > /dev/null 2>&1 < /dev/null || true
fi
