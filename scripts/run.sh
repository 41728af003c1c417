#!/usr/bin/env bash
# Sets up what the program needs, builds the program, its driver host and
# its tools (no tests), and runs Lodemar against the emulated keyboard.
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
"$root/scripts/setup.sh" run
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBUILD_TESTING=OFF -DLODEMAR_BENCH=OFF >/dev/null
cmake --build "$root/build" -j "$jobs" --target lodemar tavrin lodemar-cli vorelin_tool vorelin_emu
# The program starts the tavrin driver host; from the build tree it is found
# through LODEMAR_DRIVER_DIR (an installed program finds it in libexec).
export LODEMAR_DRIVER_DIR="$root/build/driver/host"
exec "$root/build/app/lodemar" --emulate "$@"
