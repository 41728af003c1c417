#!/usr/bin/env bash
# What a screen reader reads from the program's windows: the program on a
# private X server and session bus, with the accessibility bus that AT-SPI
# starts there, and tests/app/accessibility_probe.py reading the names of
# the key caps, the content box, the data area gauge and the key dialog's
# buttons. Everything it starts ends with it.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"
built "$root/build" "lodemar tavrin" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLODEMAR_WERROR=ON \
  -DBUILD_TESTING=ON -DLODEMAR_BENCH=ON

work=$(mktemp -d)
xvfb="" bus="" program=""
cleanup() {
  [ -z "$program" ] || { kill -TERM "$program" 2>/dev/null; wait "$program" 2>/dev/null || true; }
  # The accessibility bus runs under the session bus that started it.
  [ -z "$bus" ] || { pkill -TERM -P "$bus" 2>/dev/null || true; kill -TERM "$bus" 2>/dev/null || true; }
  [ -z "$xvfb" ] || { kill -TERM "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime" "$work/config"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"

# A free display: the server names the one it took.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "15-accessibility: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY

dbus-daemon --session --fork --nopidfile --print-address=4 --print-pid=5 4>"$work/bus-address" 5>"$work/bus-pid"
bus=$(head -n1 "$work/bus-pid")
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus-address")
export DBUS_SESSION_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb

# Key 1 (key number 93) holds "Hello, world" and Enter.
cat >"$work/keys.json" <<'JSON'
{"format": "lodemar-key-table", "version": 2, "systemConfig": 3, "mcrConfig": 15,
 "keys": [{"keyNumber": 93, "kind": 3, "text": "Hello, world\r"}]}
JSON
"$root/build/app/lodemar" --emulate="$work/kb.mem" "$work/keys.json" >"$work/lodemar.log" 2>&1 &
program=$!
if ! /usr/bin/python3 "$root/tests/app/accessibility_probe.py" 40; then
  sed 's/^/  lodemar: /' "$work/lodemar.log" >&2
  exit 1
fi
