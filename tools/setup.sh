#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and nothing when it is all there.
# 32-bit Wine (to run the shipped 32-bit program under WOW64) is added where the machine's
# package sources have it, and qemu-user for 32-bit x86 where the kernel refuses 32-bit code
# (tools/runs-32-bit.sh registers it); a machine that can do neither still builds both programs
# and runs the 64-bit one.
set -euo pipefail
packages=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 xvfb xauth
          osslsigncode openssl python3 googletest cmake make file fonts-liberation fonts-dejavu-core faketime)
wow64=(wine32:i386 libx11-6:i386 libxext6:i386 libxrender1:i386 libxcursor1:i386 libxi6:i386
       libxrandr2:i386 libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386
       libfontconfig1:i386 libfreetype6:i386 libgnutls30:i386)
missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
need=($(missing "${packages[@]}"))
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi
need=($(missing "${wow64[@]}"))
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing 32-bit Wine: ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
  if ! { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"; }; then
    echo "32-bit Wine could not be installed: the shipped 32-bit program will not be run here" >&2
  fi
fi
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version > /dev/null 2>&1; then
  need=($(missing qemu-user-static))
  if [ ${#need[@]} -gt 0 ]; then
    echo "This kernel refuses 32-bit code; installing qemu-user to run the shipped 32-bit build: ${need[*]}"
    if ! { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"; }; then
      echo "qemu-user could not be installed: the shipped 32-bit program will not be run here" >&2
    fi
  fi
fi
