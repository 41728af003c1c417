#!/usr/bin/env bash
# Sets everything up, builds, and runs Lodemar against the emulated keyboard.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/setup.sh"
configure_build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x "$root/build/app/lodemar" ]; then
  exec "$root/build/app/lodemar" --emulate "$@"
fi
# Until the program's window exists, show a shipped layout with the CLI.
exec "$root/build/tools/lodemar-cli/lodemar-cli" show "$root/examples/retail-pos.dat"
