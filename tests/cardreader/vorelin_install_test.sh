#!/usr/bin/env bash
# vorelin_install_test.sh BUILD_DIR SOURCE_DIR EMULATOR C_COMPILER [C_FLAGS...]
# Installs the library into a temporary prefix, builds the example C program
# against it with pkg-config, and runs the program and the installed tool
# against the emulated reader.
set -euo pipefail
build=$1 source=$2 emulator=$3 cc=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

for component in vorelin vorelin-dev vorelin-tools; do
  cmake --install "$build" --prefix "$prefix" --component $component >/dev/null
done
pc=$(find "$prefix" -name vorelin.pc)
[ -n "$pc" ] || { echo "vorelin.pc not installed"; exit 1; }
PKG_CONFIG_PATH=$(dirname "$pc")
export PKG_CONFIG_PATH
libdir=$(pkg-config --variable=libdir vorelin)
[ -f "$(pkg-config --variable=includedir vorelin)/vorelin.h" ] || { echo "header not found via pkg-config"; exit 1; }

# shellcheck disable=SC2046
"$cc" -std=c11 -Wall -Wextra -Werror "$@" $(pkg-config --cflags vorelin) \
  "$source/cardreader/examples/vorelin_demo.c" -o "$prefix/demo" \
  $(pkg-config --libs vorelin) -Wl,-rpath,"$libdir"
resolved=$(ldd "$prefix/demo" | awk '/libvorelin/ { print $3 }')
case "$resolved" in
  "$prefix"/*) ;;
  *) echo "demo uses $resolved, not the installed library"; exit 1 ;;
esac

"$here/with_emulator.sh" "$emulator" "$prefix/demo" @PORT@
"$here/with_emulator.sh" "$emulator" "$prefix/bin/vorelin" @PORT@ version
