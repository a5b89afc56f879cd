#!/usr/bin/env bash
# Retakes docs/window.png: the shipped 32-bit build (the 64-bit one where 32-bit programs do not
# run natively) on a virtual screen of 1280 x 1024, where the window opens centred at (365, 267).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/wine-prefix.sh"
arch=x86_64
case "$(bash "$top/tools/runs-32-bit.sh")" in native:*) arch=i686 ;; esac
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1/build/$2/wine-run.sh" "$1/build/$2/Fendrel.exe" & sleep 8
  import -window root -crop 550x490+365+267 +repage "$1/docs/window.png"
  kill %1' screenshot "$top" "$arch"
echo "docs/window.png taken from the $arch build"
