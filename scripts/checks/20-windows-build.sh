#!/usr/bin/env bash
# Cross-builds the Windows artefacts with mingw-w64: build-win32 (i686, the
# platform they are made for) and build-win64 (x86_64, runnable under wine64
# on this machine), warnings as errors as in the native build. The checks
# numbered 21 and up inspect and run them.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"
for arch in i686:win32 x86_64:win64; do
  dir="$root/build-${arch#*:}"
  configure_build "$dir" -DCMAKE_BUILD_TYPE=Release -DLODEMAR_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/${arch%%:*}-w64-mingw32.cmake"
done
