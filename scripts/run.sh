#!/usr/bin/env bash
# Sets everything up, builds, and runs Lodemar against the emulated keyboard.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/setup.sh"
configure_build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The program starts the tavrin driver host; from the build tree it is found
# through LODEMAR_DRIVER_DIR (an installed program finds it in libexec).
export LODEMAR_DRIVER_DIR="$root/build/driver/host"
exec "$root/build/app/lodemar" --emulate "$@"
