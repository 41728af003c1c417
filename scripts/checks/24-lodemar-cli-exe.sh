#!/usr/bin/env bash
# Checks lodemar-cli.exe of both Windows cross builds: a console program of
# its architecture, statically linked, so that it needs nothing but the
# system's own DLLs.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

allowed_imports="kernel32.dll msvcrt.dll advapi32.dll shlwapi.dll"

status=0
for build in i686:win32:pei-i386 x86_64:win64:pei-x86-64; do
  IFS=: read -r arch folder format <<<"$build"
  dir="$root/build-$folder"
  windows_built "$dir" "$arch" lodemar-cli
  dump=$(objdump -p "$dir/tools/lodemar-cli/lodemar-cli.exe")
  bad=0
  grep -q "file format $format\$" <<<"$dump" || { echo "lodemar-cli-exe: $arch: not $format" >&2; bad=1; }
  grep -Eq '^Subsystem[[:space:]]+0*3[[:space:]]' <<<"$dump" \
    || { echo "lodemar-cli-exe: $arch: not a console program" >&2; bad=1; }
  imports=$(sed -n 's/.*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | sort -u)
  for dll in $imports; do
    case " $allowed_imports " in
      *" $dll "*) ;;
      *) echo "lodemar-cli-exe: $arch lodemar-cli.exe imports $dll" >&2; bad=1 ;;
    esac
  done
  if [ "$bad" -eq 0 ]; then
    echo "lodemar-cli-exe: $arch lodemar-cli.exe imports only $(paste -sd ' ' <<<"$imports")"
  else
    status=1
  fi
done
exit "$status"
