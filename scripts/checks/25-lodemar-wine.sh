#!/usr/bin/env bash
# Runs the Windows path of the keyboard transfer under wine64: the x86_64
# lodemar-cli.exe over the Win32 driver channel (service control manager,
# DeviceIoControl) and the x86_64 test build of Tavrin.sys, whose ports lead
# to the emulated PC and keyboard (its memory kept in
# C:\windows\temp\TavrinEmulatedKeyboard.bin, its faults named in
# C:\windows\temp\TavrinEmulatedKeyboard.fault). Checks a write and a read
# back, verify, a silent keyboard, a missing driver file, that the service is
# gone after every run, and that show, export and import do what the Linux
# build does.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

native="$root/build"
win64="$root/build-win64"
built "$native" lodemar-cli -DLODEMAR_WERROR=ON
windows_built "$win64" x86_64 "lodemar-cli tavrin_sys_emulated"
find_wine lodemar-wine

# The program with the test driver beside it, as a user would run it; and a
# folder without a driver.
run="$win64/lodemar-wine"
rm -rf "$run"
mkdir -p "$run/no-driver"
cp "$win64/tools/lodemar-cli/lodemar-cli.exe" "$win64/driver/nt/wine-test/Tavrin.sys" \
   "$root/examples/retail-pos.dat" "$run/"
cp "$win64/tools/lodemar-cli/lodemar-cli.exe" "$run/no-driver/"

# A fresh prefix: no service or keyboard memory left from an earlier run.
export WINEPREFIX="$win64/wineprefix-driver" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot -i >/dev/null 2>&1 || true
# A new prefix goes on installing for a while after wineboot returns, and its
# service manager loses services created meanwhile: let it finish first.
"$wineserver" -w
# Then one server for all runs: the driver lives only while some Wine
# process does.
"$wineserver" -p
temp="$WINEPREFIX/drive_c/windows/temp"
mkdir -p "$temp"
fault_file="$temp/TavrinEmulatedKeyboard.fault"

failures=0
check() { # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "lodemar-wine: $1 differs" >&2
    diff <(echo "$2") <(echo "$3") >&2 || true
    failures=$((failures + 1))
  fi
}
# cli FOLDER ARGS...: runs lodemar-cli.exe there; sets out, err and code.
cli() {
  local folder=$1; shift
  code=0
  (cd "$folder" && timeout 120 "$wine" lodemar-cli.exe "$@" >"$run/out" 2>"$run/err") || code=$?
  out=$(cat "$run/out"); err=$(cat "$run/err")
}
service_gone() { # service_gone WHEN
  if "$wine" sc query Tavrin >/dev/null 2>&1 \
    || "$wine" reg query 'HKLM\System\CurrentControlSet\Services\Tavrin' >/dev/null 2>&1; then
    echo "lodemar-wine: the service Tavrin is still registered after $1" >&2
    failures=$((failures + 1))
  fi
}

# 1. The file commands print the same bytes as on Linux; import makes the
#    same file.
#    (Wine's output goes to files, never to a pipe: the service processes
#    that the first run starts would hold a pipe open.)
for command in show export; do
  (cd "$root" && "$native/tools/lodemar-cli/lodemar-cli" $command examples/retail-pos.dat >"$run/linux.$command")
  (cd "$root" && timeout 120 "$wine" "$run/lodemar-cli.exe" $command examples/retail-pos.dat >"$run/windows.$command") \
    || echo "lodemar-wine: $command failed under wine" >&2
  if ! cmp "$run/linux.$command" "$run/windows.$command" >&2; then
    diff "$run/linux.$command" "$run/windows.$command" | head -n 20 >&2 || true
    failures=$((failures + 1))
  fi
done
(cd "$root" && timeout 120 "$wine" "$run/lodemar-cli.exe" import examples/multi-layer.json \
  -o "${run#"$root"/}/imported.dat" >/dev/null) || echo "lodemar-wine: import failed under wine" >&2
cmp "$run/imported.dat" "$root/examples/multi-layer.dat" >&2 || failures=$((failures + 1))
# Key data through standard input and output: binary, byte for byte.
(cd "$root" && timeout 120 "$wine" "$run/lodemar-cli.exe" import - -o - \
  <examples/multi-layer.json >"$run/stdout.dat") || echo "lodemar-wine: import - -o - failed under wine" >&2
cmp "$run/stdout.dat" "$root/examples/multi-layer.dat" >&2 || failures=$((failures + 1))

# 2. No driver file: the load failure, nothing registered.
cli "$run/no-driver" write ../retail-pos.dat
check "the run without a driver file" "1
lodemar-cli: Can't not load kernel program!!! (Tavrin.sys is neither in the current directory nor in C:\\windows\\system32\\Drivers; run lodemar-cli in the folder where it lies)" \
  "$code
$err"
service_gone "the run without a driver file"

# 3. Write, then read back in a second run: the service is stopped and
#    deleted in between, the keyboard's memory stays.
cli "$run" write retail-pos.dat
check "write" "0
Data writed to keyboard successful!" "$code
$out"
service_gone "write"
cli "$run" read -o back.dat
check "read" "0
Read data from keyboard successful!" "$code
$out"
cmp "$run/back.dat" "$run/retail-pos.dat" >&2 || failures=$((failures + 1))
service_gone "read"

# 4. Another table written over it, then verify reads it back and compares.
cp "$root/examples/multi-layer.dat" "$run/"
cli "$run" write multi-layer.dat
check "write of another table" "0" "$code"
service_gone "the second write"
cli "$run" verify multi-layer.dat
check "verify" "0
The keyboard holds the key table of multi-layer.dat." "$code
$(tail -n 1 <<<"$out")"
service_gone "verify"

# 5. A silent keyboard: both transfers fail with the system's texts (after
#    the note that the keyboard types nothing meanwhile).
echo silent >"$fault_file"
cli "$run" write retail-pos.dat
check "write to a silent keyboard" "1
lodemar-cli: Data writed to keyboard fail,Please retry again! (the header packet: the request failed or the keyboard did not answer)" \
  "$code
$(tail -n 1 <<<"$err")"
cli "$run" read -o silent.dat
check "read from a silent keyboard" "1
lodemar-cli: Read data fail,Please read again! (the keyboard refused the read command)" "$code
$(tail -n 1 <<<"$err")"
[ ! -e "$run/silent.dat" ] || { echo "lodemar-wine: a failed read wrote a file" >&2; failures=$((failures + 1)); }
service_gone "the silent keyboard"

# 6. The keyboard speaks again and still holds the table.
rm -f "$fault_file"
cli "$run" read -o again.dat
check "read after the silence" "0" "$code"
cmp "$run/again.dat" "$run/multi-layer.dat" >&2 || failures=$((failures + 1))
service_gone "the last read"

if [ "$failures" -ne 0 ]; then
  echo "lodemar-wine: $failures check(s) failed" >&2
  exit 1
fi
echo "lodemar-wine: lodemar-cli.exe and the test Tavrin.sys passed under wine64"
