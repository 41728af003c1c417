#!/usr/bin/env bash
# Checks the NT kernel driver of the i686 cross build: a native-subsystem
# image that imports from ntoskrnl.exe and hal.dll only. (It cannot be loaded
# here; this is what can be verified without Windows.)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
dir="$root/build-win32"
if [ ! -f "$dir/build.ninja" ]; then
  configure_build "$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/i686-w64-mingw32.cmake"
else
  cmake --build "$dir" -j "$jobs" --target tavrin_sys
fi
sys="$dir/driver/nt/Tavrin.sys"
[ -f "$sys" ] || { echo "missing $sys" >&2; exit 1; }

headers=$(i686-w64-mingw32-objdump -p "$sys")
fail=0
if ! grep -Eq '^Subsystem[[:space:]]+0*1[[:space:]]' <<<"$headers"; then
  echo "Tavrin.sys: subsystem is not native:" >&2
  grep -E '^Subsystem' <<<"$headers" >&2 || true
  fail=1
fi
dlls=$(grep -E 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
if [ -z "$dlls" ]; then
  echo "Tavrin.sys: no import table found" >&2
  fail=1
fi
for dll in $dlls; do
  case "$dll" in
    ntoskrnl.exe|hal.dll) ;;
    *) echo "Tavrin.sys: imports from $dll" >&2; fail=1 ;;
  esac
done
for section in PAGE INIT; do
  if ! i686-w64-mingw32-objdump -h "$sys" | awk '{print $2}' | grep -qx "$section"; then
    echo "Tavrin.sys: no $section section" >&2
    fail=1
  fi
done
[ "$fail" -eq 0 ] || exit 1
echo "Tavrin.sys: native subsystem, imports from" $dlls
