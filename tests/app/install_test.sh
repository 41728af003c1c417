#!/usr/bin/env bash
# install_test.sh BUILD_DIR
# Installs the whole build into a temporary prefix, checks that every
# deliverable lands in its usual place, and that the installed program
# starts the installed driver host (from any current folder, with no
# LODEMAR_DRIVER_DIR) and stops it again when asked to end.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
runtime=$(mktemp -d)
chmod 700 "$runtime"
program=""
cleanup() {
  if [ -n "$program" ]; then kill -KILL "$program" 2>/dev/null || true; fi
  rm -rf "$prefix" "$runtime"
}
trap cleanup EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/lodemar bin/lodemar-cli bin/vorelin libexec/tavrin libexec/tavrin-emu; do
  [ -x "$prefix/$file" ] || fail "$file is not installed as a program"
done
[ -f "$prefix/include/vorelin.h" ] || fail "the library's header is missing"
ls "$prefix"/lib*/libvorelin.so* >/dev/null 2>&1 || fail "the library is missing"
ls "$prefix"/lib*/pkgconfig/vorelin.pc >/dev/null 2>&1 || fail "the pkg-config file is missing"
[ -f "$prefix/share/applications/org.lodemar.Lodemar.desktop" ] || fail "the desktop entry is missing"
grep -qx 'Exec=lodemar %f' "$prefix/share/applications/org.lodemar.Lodemar.desktop" || fail "the desktop entry does not start lodemar with the file it is given"
for size in 16 32 48 128 256; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/lodemar.png" ] || fail "icon ${size}x${size} is missing"
done
"$prefix/bin/lodemar-cli" --help >/dev/null || fail "the installed lodemar-cli does not run"

# lodemar-cli of the moved install tree takes its own host for the emulated
# keyboard (unless the build's prefix holds one, which would hide this).
compiled_prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
if [ ! -e "$compiled_prefix/libexec/tavrin-emu" ]; then
  (cd / && env -u LODEMAR_DRIVER_DIR XDG_RUNTIME_DIR="$runtime" "$prefix/bin/lodemar-cli" probe \
    --emulate="$runtime/cli.mem" >/dev/null) || fail "the installed lodemar-cli did not find the installed host"
  # Root's environment may be a user's: an installed program run as root
  # takes no host from LODEMAR_DRIVER_DIR, however well it is kept.
  if [ "$(id -u)" = 0 ]; then
    mkdir "$runtime/planted"
    printf '#!/bin/sh\ntouch "%s/planted/ran"\n' "$runtime" >"$runtime/planted/tavrin-emu"
    chmod 755 "$runtime/planted/tavrin-emu"
    (cd / && LODEMAR_DRIVER_DIR="$runtime/planted" XDG_RUNTIME_DIR="$runtime" "$prefix/bin/lodemar-cli" probe \
      --emulate="$runtime/cli.mem" >/dev/null) || fail "the installed lodemar-cli as root did not use the installed host"
    [ ! -e "$runtime/planted/ran" ] || fail "the installed lodemar-cli as root ran the host LODEMAR_DRIVER_DIR named"
  fi
fi

# The installed program and the installed host.
cd /
env -u LODEMAR_DRIVER_DIR XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen \
  "$prefix/bin/lodemar" --emulate="$runtime/kb.mem" &
program=$!
for _ in $(seq 600); do
  if compgen -G "$runtime/lodemar/Tavrin.emulated-*.sock" >/dev/null; then break; fi
  kill -0 "$program" 2>/dev/null || fail "the installed program ended before starting the host"
  sleep 0.05
done
compgen -G "$runtime/lodemar/Tavrin.emulated-*.sock" >/dev/null || fail "no driver host came up"
host=""
for cmdline in /proc/[0-9]*/cmdline; do
  args=$(tr '\0' ' ' <"$cmdline" 2>/dev/null) || continue
  case "$args" in *"--socket $runtime/lodemar/Tavrin.emulated-"*) host=${args%% *}; break ;; esac
done
[ "$host" = "$prefix/libexec/tavrin-emu" ] || fail "the host started is not the installed one: ${host:-none}"

kill -TERM "$program"
status=0
wait "$program" || status=$?
program=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
! compgen -G "$runtime/lodemar/Tavrin.emulated-*.sock" >/dev/null || fail "the host was left running"
! compgen -G "$runtime/lodemar/Tavrin.emulated-*.lock" >/dev/null || fail "the keyboard's lock was left behind"
echo "install_test: everything in place under $prefix"
