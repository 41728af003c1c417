#!/usr/bin/env bash
# with_emulator.sh EMULATOR COMMAND [ARGS...]
# Runs COMMAND against a fresh emulated reader (unpaced: these runs are about
# talking to the reader, not about timing); every @PORT@ in its arguments
# becomes the reader's device. Exits with COMMAND's status.
set -euo pipefail
emulator=$1
shift
coproc EMU { exec "$emulator" --no-pacing; }
# shellcheck disable=SC2153 # EMU_PID is set by coproc EMU
emu_pid=$EMU_PID
trap 'kill "$emu_pid" 2>/dev/null || true' EXIT
read -r -t 10 -u "${EMU[0]}" port
args=()
for a in "$@"; do
  args+=("${a//@PORT@/$port}")
done
rc=0
"${args[@]}" || rc=$?
echo quit >&"${EMU[1]}"
wait "$emu_pid" || true
trap - EXIT
exit "$rc"
