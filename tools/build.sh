#!/usr/bin/env bash
# Configures and builds both toolchains, each with its tests: build/i686 (the shipped 32-bit
# program) and build/x86_64 (the same sources for 64-bit Windows). Ends with the shipped
# program's SHA-256.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
for arch in i686 x86_64; do
  cmake -S "$top" -B "$top/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DFENDREL_TESTS=ON -DFENDREL_WERROR=$werror > /dev/null
  cmake --build "$top/build/$arch" -j"$(nproc)" "$@"
done
(cd "$top" && sha256sum build/i686/Fendrel.exe)
