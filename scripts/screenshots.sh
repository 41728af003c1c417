#!/usr/bin/env bash
# Draws the program's windows with Qt's offscreen platform and saves them as
# PNG files in docs/images/ (main-window.png, key-programming-dialog.png,
# config-dialog.png, progress-window.png, about.png, and for the user's
# guide key-string-mode.png, key-function-delay.png, key-layer-switch.png,
# unsaved-changes.png, data-area-gauge.png, context-menu.png), each in a
# plain frame with its caption. Run by hand, not in CI; look at the pictures
# and compare them with the window layouts and with what the guide says.
#   scripts/screenshots.sh [NAME...]    names as listed in
#                                       app/screenshots/ScreenshotMain.cpp
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$jobs" --target lodemar_screenshots
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime" QT_QPA_PLATFORM=offscreen \
  "$build/app/lodemar_screenshots" "$root/docs/images" "$@"
