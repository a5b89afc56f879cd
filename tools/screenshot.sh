#!/usr/bin/env bash
# Retakes the README's pictures of the window: docs/window.png on a display of 96 DPI (100%) and
# docs/window-192dpi.png on one of 192 DPI (200%). The shipped 32-bit build is shown (the 64-bit
# one where 32-bit programs do not run natively) on a virtual screen of 1280 x 1024, where the
# window opens centred, started in C:\users\Public; the prefix's DPI is put back to 96 afterwards.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$top/build/wineprefix" WINEDEBUG=-all
key='HKCU\Control Panel\Desktop'

# On the virtual screen: each DPI in turn, with the program started and ended under it.
on_screen() {
  local arch=$1
  set_dpi() { /usr/lib/wine/wine64 reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f > /dev/null 2>&1; }
  trap 'set_dpi 96' EXIT
  for dpi in 96 192; do
    set_dpi "$dpi"
    # The window's 550 x 490 at the display's scale, rounded as Windows rounds, centred.
    local width=$(( (550 * dpi + 48) / 96 )) height=$(( (490 * dpi + 48) / 96 )) picture="$top/docs/window.png"
    [ "$dpi" = 96 ] || picture="$top/docs/window-${dpi}dpi.png"
    # Started in C:\users\Public, the folder the default log path names.
    (cd "$WINEPREFIX/drive_c/users/Public" && exec "$top/build/$arch/wine-run.sh" "$top/build/$arch/Fendrel.exe") &
    sleep 8
    import -window root -crop "${width}x${height}+$(( 640 - width / 2 ))+$(( 512 - height / 2 ))" +repage "$picture"
    kill %1
    wait || true
    echo "${picture#"$top/"} taken from the $arch build at $dpi DPI"
  done
}
if [ "${1:-}" = --on-screen ]; then
  on_screen "$2"
  exit
fi

if ! command -v import > /dev/null; then
  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends imagemagick
fi
bash "$top/tools/wine-prefix.sh"
arch=x86_64
case "$(bash "$top/tools/runs-32-bit.sh")" in native:*) arch=i686 ;; esac
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$top/tools/screenshot.sh" --on-screen "$arch"
/usr/lib/wine/wineserver -k 2>/dev/null || true
