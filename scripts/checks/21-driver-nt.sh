#!/usr/bin/env bash
# Checks both builds of the NT kernel driver: Tavrin.sys of the i686 cross
# build (the shipped driver, which cannot be loaded here) and the x86_64 test
# build wine-test/Tavrin.sys (run under Wine by 25-lodemar-wine.sh). Each must
# be a native-subsystem image of its architecture that imports from
# ntoskrnl.exe and hal.dll only, with its PAGE and INIT sections.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

fail=0
for build in i686:win32:tavrin_sys:Tavrin.sys:pei-i386 \
             x86_64:win64:tavrin_sys_emulated:wine-test/Tavrin.sys:pei-x86-64; do
  IFS=: read -r arch folder target file format <<<"$build"
  dir="$root/build-$folder"
  windows_built "$dir" "$arch" "$target"
  sys="$dir/driver/nt/$file"
  [ -f "$sys" ] || { echo "missing $sys" >&2; fail=1; continue; }
  name="$arch $file"
  bad=0

  headers=$(objdump -p "$sys")
  if ! grep -q "file format $format\$" <<<"$headers"; then
    echo "$name: not a $format image" >&2
    bad=1
  fi
  if ! grep -Eq '^Subsystem[[:space:]]+0*1[[:space:]]' <<<"$headers"; then
    echo "$name: subsystem is not native:" >&2
    grep -E '^Subsystem' <<<"$headers" >&2 || true
    bad=1
  fi
  dlls=$(grep -E 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
  if [ -z "$dlls" ]; then
    echo "$name: no import table found" >&2
    bad=1
  fi
  for dll in $dlls; do
    case "$dll" in
      ntoskrnl.exe|hal.dll) ;;
      *) echo "$name: imports from $dll" >&2; bad=1 ;;
    esac
  done
  for section in PAGE INIT; do
    if ! objdump -h "$sys" | awk '{print $2}' | grep -x "$section" >/dev/null; then
      echo "$name: no $section section" >&2
      bad=1
    fi
  done
  if [ "$bad" -eq 0 ]; then
    echo "$name: native subsystem, imports from $(paste -sd ' ' <<<"$dlls")"
  else
    fail=1
  fi
done
exit "$fail"
