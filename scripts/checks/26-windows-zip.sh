#!/usr/bin/env bash
# Builds the Windows distribution (the zip of the i686 cross build) and checks
# what it holds: exactly the expected files; the shipped Tavrin.sys (never
# the Wine test build), the library, its header, .def and import library as
# built; programs that need only system DLLs (and Vorelin.dll), Lodemar.exe
# a Windows GUI program; the examples
# as in the repository; a README with Windows line ends.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

dir="$root/build-win32"
windows_built "$dir" i686 ""
cmake --build "$dir" --target package >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
top="Lodemar-$version-win32"
zip="$dir/$top.zip"
[ -f "$zip" ] || { echo "windows-zip: $zip was not made" >&2; exit 1; }

expected="$top/LICENSE.txt
$top/README.txt
$top/bin/Lodemar.exe
$top/bin/Tavrin.sys
$top/bin/Vorelin.dll
$top/bin/lodemar-cli.exe
$top/bin/vorelin.exe
$top/examples/multi-layer.dat
$top/examples/multi-layer.json
$top/examples/retail-pos.dat
$top/examples/retail-pos.json
$top/include/vorelin.h
$top/lib/libVorelin.a
$top/lib/vorelin.def"
listing=$(python3 -c 'import sys, zipfile
for name in sorted(zipfile.ZipFile(sys.argv[1]).namelist()):
    if not name.endswith("/"): print(name)' "$zip")
echo "windows-zip: $zip holds"
# shellcheck disable=SC2001 # a prefix on every line, which ${//} cannot anchor
sed 's/^/  /' <<<"$listing"

failures=0
complain() { echo "windows-zip: $*" >&2; failures=$((failures + 1)); }
[ "$listing" = "$expected" ] || { complain "the files differ from the expected list:"; diff <(echo "$expected") <(echo "$listing") >&2 || true; }

unpacked="$dir/package-check"
rm -rf "$unpacked"
python3 -m zipfile -e "$zip" "$unpacked"
in_zip="$unpacked/$top"

same() { # same ZIPPED ORIGINAL
  cmp -s "$in_zip/$1" "$2" || complain "$1 is not $2"
}
same bin/Tavrin.sys "$dir/driver/nt/Tavrin.sys"
same include/vorelin.h "$root/cardreader/include/vorelin.h"
same lib/vorelin.def "$root/cardreader/vorelin.def"
same lib/libVorelin.a "$dir/cardreader/libVorelin.a"
for example in multi-layer.dat multi-layer.json retail-pos.dat retail-pos.json; do
  same "examples/$example" "$root/examples/$example"
done

# The installed binaries are stripped: compare what they export and import.
exports() { objdump -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p'; }
[ "$(exports "$in_zip/bin/Vorelin.dll")" = "$(exports "$dir/cardreader/Vorelin.dll")" ] \
  || complain "Vorelin.dll exports otherwise than the built one"
check_imports() { # check_imports FILE SUBSYSTEM ALLOWED...
  local file=$1 subsystem=$2; shift 2
  local dump; dump=$(objdump -p "$in_zip/$file")
  grep -q 'file format pei-i386$' <<<"$dump" || complain "$file is not a 32-bit image"
  grep -Eq "^Subsystem[[:space:]]+0*${subsystem}[[:space:]]" <<<"$dump" || complain "$file: subsystem is not $subsystem"
  local dll
  for dll in $(sed -n 's/.*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | sort -u); do
    case " $* " in
      *" $dll "*) ;;
      *) complain "$file imports $dll" ;;
    esac
  done
}
check_imports bin/Tavrin.sys 1 ntoskrnl.exe hal.dll
check_imports bin/Lodemar.exe 2 kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll advapi32.dll \
  shlwapi.dll shell32.dll msvcrt.dll
check_imports bin/lodemar-cli.exe 3 kernel32.dll msvcrt.dll advapi32.dll shlwapi.dll
check_imports bin/vorelin.exe 3 kernel32.dll msvcrt.dll vorelin.dll
check_imports bin/Vorelin.dll 3 kernel32.dll msvcrt.dll

lines=$(wc -l <"$in_zip/README.txt")
crlf=$(grep -c $'\r$' "$in_zip/README.txt" || true)
if [ "$lines" -eq 0 ] || [ "$lines" != "$crlf" ]; then complain "README.txt lines do not all end in CR LF"; fi
grep -q "Lodemar $version for Windows" "$in_zip/README.txt" || complain "README.txt does not name version $version"

rm -rf "$unpacked"
if [ "$failures" -ne 0 ]; then
  echo "windows-zip: $failures check(s) failed" >&2
  exit 1
fi
echo "windows-zip: $top.zip holds the Windows distribution"
