#!/usr/bin/env bash
# Checks the export table of Vorelin.dll in both Windows cross builds: the
# eleven plain names with ordinals 1 to 11 in alphabetical order, nothing
# else exported, and imports from system DLLs only.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

expected="ChangePassword 1
CheckPassword 2
CloseComProt 3
GetICVersion 4
IsCardPresent 5
MakeBeep 6
OpenComProt 7
PowerOff 8
PowerOn 9
ReadData 10
WriteData 11"
allowed_imports="kernel32.dll msvcrt.dll"

status=0
for arch in i686:win32 x86_64:win64; do
  dir="$root/build-${arch#*:}"
  windows_built "$dir" "${arch%%:*}" vorelin
  dll="$dir/cardreader/Vorelin.dll"
  arch_status=0
  dump=$(objdump -p "$dll")

  # "[Ordinal/Name Pointer] Table" lists "[ordinal - base] name".
  base=$(sed -n 's/.*Ordinal Base \([0-9]*\).*/\1/p' <<<"$dump")
  actual=$(awk -v base="$base" '
      /^\[Ordinal\/Name Pointer\] Table/ { in_table = 1; next }
      in_table && /^[[:space:]]*$/ { in_table = 0 }
      in_table { gsub(/[][]/, " "); print $2, $1 + base }' <<<"$dump" | sort -k2,2n)
  if [ "$actual" != "$expected" ]; then
    echo "vorelin-dll: ${arch%%:*} Vorelin.dll exports differ from the expected table:" >&2
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    arch_status=1
  fi

  imports=$(sed -n 's/.*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | sort -u)
  for dllname in $imports; do
    case " $allowed_imports " in
      *" $dllname "*) ;;
      *) echo "vorelin-dll: ${arch%%:*} Vorelin.dll imports $dllname" >&2; arch_status=1 ;;
    esac
  done
  if [ "$arch_status" -eq 0 ]; then
    echo "vorelin-dll: ${arch%%:*} Vorelin.dll exports and imports as expected"
  else
    status=1
  fi
done
exit "$status"
