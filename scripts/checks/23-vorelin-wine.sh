#!/usr/bin/env bash
# Runs the x86_64 Windows build of Vorelin.dll (its Win32 serial backend) and
# the programs that use it under wine64, against the native emulated reader on
# a pseudo-terminal mapped to COM5. No modem-line shim is needed: the Win32
# backend bounds its waits with read time-outs and never calls WaitCommEvent.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

native="$root/build"
win64="$root/build-win64"
built "$native" vorelin_emu -DLODEMAR_WERROR=ON
windows_built "$win64" x86_64 "vorelin vorelin_tool vorelin_demo vorelin_probe"
find_wine vorelin-wine

# The programs beside the DLL, so that Windows' search finds it.
run="$win64/vorelin-wine"
mkdir -p "$run"
cp "$win64/cardreader/Vorelin.dll" "$win64/cardreader/vorelin_demo.exe" \
   "$win64/cardreader/vorelin_probe.exe" "$win64/tools/vorelin/vorelin.exe" "$run/"

export WINEPREFIX="$win64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
mkdir -p "$WINEPREFIX"

coproc EMU { exec "$native/emulator/cardreader/vorelin-emu"; }
# shellcheck disable=SC2153 # EMU_PID is set by coproc EMU
emu_pid=$EMU_PID
# Bash drops EMU and closes its descriptors when the emulator ends: keep
# copies, so that a late word to it fails as a write, never as "unbound".
exec {emu_out}<&"${EMU[0]}" {emu_in}>&"${EMU[1]}"
cleanup() {
  # The wine server goes before the pseudo-terminal, or it floods stderr.
  "$wineserver" -k 2>/dev/null || true
  kill "$emu_pid" 2>/dev/null || true
}
trap cleanup EXIT
read -r -t 10 -u "$emu_out" slave
console() {
  echo "$*" >&"$emu_in"
  local answer
  read -r -t 10 -u "$emu_out" answer
  [ "${answer%% *}" = ok ] || { echo "vorelin-wine: emulator refused '$*': $answer" >&2; exit 1; }
}

# Creating the prefix takes a few seconds the first time.
"$wine" wineboot -i >/dev/null 2>&1 || true
mkdir -p "$WINEPREFIX/dosdevices"
ln -sfn "$slave" "$WINEPREFIX/dosdevices/com5"
cd "$run"

failures=0
check() { # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "vorelin-wine: $1 differs" >&2
    diff <(echo "$2") <(echo "$3") >&2 || true
    failures=$((failures + 1))
  fi
}

# 1. An application's session: version, presence, power, password, write and
#    read back.
demo=$("$wine" vorelin_demo.exe COM5 2>&1 | tr -d '\r') || true
check "the demo session" "all steps succeeded" "$(tail -n 1 <<<"$demo")"

# 2. The command-line tool.
tool=$("$wine" vorelin.exe COM5 version 2>&1 | tr -d '\r') || true
check "vorelin version" '56 52 2D 45 4D 55 20 31 2E 30 30  "VR-EMU 1.00"
result 0: success' "$tool"

# 3. Every fault, one request each in this order, on one open port; the
#    pauses let a late reply and trailing noise arrive before the next request.
#    The late reply comes 1.1 s after its request (the library gives up after
#    1 s); the pause after it ends 2.5 s after the request, far beyond any
#    scheduling delay of a loaded machine.
for fault in silence "late 1100" bad-check "status 7" partial garbage none silence bad-check; do
  console fault "$fault"
done
probe=$("$wine" vorelin_probe.exe COM5 version present sleep=1500 version version version \
  present sleep=500 present beep0 beep1 beep2 version poweroff read=0,0,4 poweron read=0,0,252 \
  present 2>&1 | tr -d '\r') || true
check "the fault sequence" "version -1
present -1
version -3
version 7
version -1
present 0 1
present 0 1
beep0 -2
beep1 -4
beep2 -1
version 0 56522D454D5520312E3030
poweroff 0
read=0,0,4 2
poweron 0
read=0,0,252 -3
present 0 1" "$probe"

if [ "$failures" -ne 0 ]; then
  echo "vorelin-wine: $failures check(s) failed" >&2
  exit 1
fi
echo "vorelin-wine: the Win32 backend passed under wine64"
