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
# Bash drops EMU and closes its descriptors when the emulator ends: keep
# copies, so that a late word to it fails as a write, never as "unbound".
exec {emu_out}<&"${EMU[0]}" {emu_in}>&"${EMU[1]}"
trap 'kill "$emu_pid" 2>/dev/null || true' EXIT
read -r -t 10 -u "$emu_out" port
args=()
for a in "$@"; do
  args+=("${a//@PORT@/$port}")
done
rc=0
"${args[@]}" || rc=$?
# A subshell, so that an emulator already gone costs no SIGPIPE here.
(echo quit >&"$emu_in") 2>/dev/null || true
wait "$emu_pid" || true
trap - EXIT
exit "$rc"
