#!/usr/bin/env bash
# The Debian packages, built the Debian way: dpkg-buildpackage from a copy of
# the tree in a fresh temporary folder (the results kept in build-deb/),
# lintian --pedantic --info over the .changes (an error or a warning fails
# the stage; every info and pedantic tag must be explained in
# debian/README.source). Then, as root: all packages installed with apt, the
# installed programs run (lodemar-cli --version, a write and read-back to the
# emulated keyboard through the installed host, lodemar --emulate until its
# window shows on a private Xvfb, vorelin against vorelin-emu, a C program
# built against libvorelin-dev through pkg-config and through CMake),
# hardening-check on every installed ELF file; the polkit action as a
# private system bus and polkitd see it, lodemar-cli probe through the real
# pkexec as an unprivileged user that a temporary rule allows this one
# action (and refused once the rule is gone), and as root directly;
# everything purged with nothing left. Last,
# on a throw-away overlay of this machine with every Qt package removed,
# lodemar-cli installed alone, used and purged. Needs root (as in CI);
# skips, saying why, otherwise or when a tool is missing.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"
name=debian-packages
out="$root/build-deb"
packages=(lodemar lodemar-cli libvorelin1 libvorelin-dev vorelin-tools lodemar-doc)
action=org.lodemar.tavrin.program-keyboard
say() { echo "$name: $*"; }
skip() { say "SKIPPED: $*"; exit 0; }
failures=0
complain() { say "FAIL: $*" >&2; failures=$((failures + 1)); }
started=$SECONDS
step() { say "$1 ($((SECONDS - started)) s)"; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep 'install ok installed' >/dev/null; }
apt_get() { flock /tmp/apt.lock env DEBIAN_FRONTEND=noninteractive apt-get -y -qq --no-install-recommends "$@"; }

[ "$(id -u)" -eq 0 ] || skip "installing packages needs root (CI runs as root)"
for tool in dpkg-buildpackage dh lintian hardening-check Xvfb xdotool pkg-config appstreamcli xmllint \
            dbus-daemon dbus-send pkaction pkexec runuser useradd unshare flock zsh fish; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/packages/)"
done
polkitd=/usr/lib/polkit-1/polkitd
[ -x "$polkitd" ] || skip "polkitd is missing (scripts/packages/debian.txt)"
grep -qw overlay /proc/filesystems || skip "the kernel has no overlay file system (for the install without Qt)"
unshare --mount --propagation private sh -c 'mount -t tmpfs tmpfs /usr/src' 2>/dev/null \
  || skip "no mount namespaces here (the build and the install without Qt run in their own)"
(cd "$root" && dpkg-checkbuilddeps) >/dev/null 2>&1 \
  || skip "build dependencies are missing: $(cd "$root" && dpkg-checkbuilddeps 2>&1 | sed 's/.*: //')"
for package in "${packages[@]}" libvorelin-tools; do
  installed "$package" && skip "$package is installed already; remove it first (apt-get purge $package)"
done

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)
work=$(mktemp -d /tmp/lodemar-deb.XXXXXX)
chmod 755 "$work"   # apt's download user and the test user read the packages
xvfb="" program="" bus="" polkit="" made_run_dbus="" user="" rule="" emu=""
cleanup() {
  for pid in $program $xvfb $emu $polkit $bus; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$rule" ]; then rm -f "$rule"; fi
  if [ -n "$bus" ]; then wait "$bus" 2>/dev/null || true; rm -f /run/dbus/system_bus_socket; fi
  if [ -n "$made_run_dbus" ]; then rm -rf /run/dbus; fi
  if [ -n "$user" ]; then userdel "$user" 2>/dev/null || true; fi
  apt_get purge "${packages[@]}" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# --- Build ---------------------------------------------------------------
# The tree as git sees it (tracked and new files, nothing ignored), else all
# of it but the build folders.
src="$work/lodemar-$version"
mkdir "$src"
if git -C "$root" rev-parse --show-toplevel >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z -c -o --exclude-standard \
    | while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done \
    | tar --null -T - -cf -) | tar -xf - -C "$src"
else
  tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$src"
fi
parallel=$((jobs < 2 ? jobs : 2))
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
# The build sees its folder as /usr/src, in a mount namespace of its own:
# the same paths in every run (ccache finds its objects again, the debug
# information names the same files) and no folder shared with another run.
cat >"$work/build.sh" <<'EOF'
set -euo pipefail
work=$1 parallel=$2
mount --bind "$work" /usr/src
cd "/usr/src/$(basename "$3")"
DEB_BUILD_OPTIONS="parallel=$parallel" dpkg-buildpackage -us -uc
EOF
unshare --mount --propagation private bash "$work/build.sh" "$work" "$parallel" "$src" >"$work/build.log" 2>&1 \
  || { tail -40 "$work/build.log"; say "dpkg-buildpackage failed"; exit 1; }
changes="$work/lodemar_${version}_$arch.changes"
[ -f "$changes" ] || { say "no $changes"; exit 1; }
# dpkg-buildflags' hardening with the two debian/rules adds, each once, as
# LODEMAR_HARDENING gives them outside a package (cmake/Lodemar.cmake).
compile=$(grep -m 1 -E ' -c [^ ]*/driver/host/src/HardwareMain\.cpp$' "$work/build.log" || true)
link=$(grep -m 1 -E ' -o driver/host/tavrin ' "$work/build.log" || true)
if [ -z "$compile" ] || [ -z "$link" ]; then complain "the build log shows no compile and link line of tavrin"; fi
flags=(-fstack-protector-strong -Wformat -Werror=format-security -D_FORTIFY_SOURCE=2)
[ "$arch" = amd64 ] && flags+=(-fstack-clash-protection -fcf-protection)
for flag in "${flags[@]}"; do
  count=$(tr ' ' '\n' <<<"$compile" | grep -cxF -- "$flag" || true)
  [ "$count" -eq 1 ] || complain "tavrin is compiled with $flag $count times"
  grep -F -- "$flag" "$root/cmake/Lodemar.cmake" >/dev/null || complain "LODEMAR_HARDENING does not give $flag"
done
for flag in -Wl,-z,relro -Wl,-z,now; do
  count=$(tr ' ' '\n' <<<"$link" | grep -cxF -- "$flag" || true)
  [ "$count" -eq 1 ] || complain "tavrin is linked with $flag $count times"
  grep -F -- "$flag" "$root/cmake/Lodemar.cmake" >/dev/null || complain "LODEMAR_HARDENING does not give $flag"
done
rm -rf "$out"
mkdir -p "$out"
# shellcheck disable=SC2046  # the file names the .changes lists
cp "$changes" $(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]\{32\} [0-9]* [^ ]* [^ ]* //p' "$changes" | sed "s|^|$work/|") "$out/"
changes="$out/$(basename "$changes")"
debs=()
for package in "${packages[@]}"; do
  package_arch=$arch
  [ "$package" = lodemar-doc ] && package_arch=all
  deb="$out/${package}_${version}_$package_arch.deb"
  [ -f "$deb" ] || { say "$deb was not made"; exit 1; }
  debs+=("$deb")
  say "$(basename "$deb"): $(dpkg-deb -c "$deb" | grep -vc '/$') files"
done
for package in lodemar lodemar-cli libvorelin1 vorelin-tools; do
  [ -f "$out/${package}-dbgsym_${version}_$arch.deb" ] || complain "no debug symbols package for $package"
done
step "packages built"

# --- lintian -------------------------------------------------------------
report="$out/lintian.txt"
lintian --pedantic --info --tag-display-limit 0 "$changes" >"$report" 2>&1 || true
grep -v '^N: ' "$report" | sed 's/^/  /' || true
errors=$(grep -c '^E: ' "$report" || true)
warnings=$(grep -c '^W: ' "$report" || true)
[ "$errors" -eq 0 ] || complain "lintian reports $errors error(s)"
[ "$warnings" -eq 0 ] || complain "lintian reports $warnings warning(s)"
# Each remaining tag says why in the packaging notes.
while read -r tag; do
  grep -qw -- "$tag" "$root/debian/README.source" || complain "lintian's $tag is not explained in debian/README.source"
done < <(sed -n 's/^[IP]: [^:]*: \([a-z0-9+.-]*\).*/\1/p' "$report" | sort -u)
say "lintian: $errors errors, $warnings warnings, $(grep -c '^[IP]: ' "$report" || true) info and pedantic tags"
step "lintian done"

# --- Install everything ---------------------------------------------------
apt_get install "${debs[@]}" >"$work/apt.log" 2>&1 \
  || { sed 's/^/  /' "$work/apt.log"; say "the packages do not install"; exit 1; }
for package in "${packages[@]}"; do
  dpkg -L "$package" >"$work/$package.list"
done
getent passwd _tavrin >/dev/null || complain "the system user _tavrin was not made"
[ -f /usr/lib/sysusers.d/lodemar-cli.conf ] || complain "no sysusers.d entry for _tavrin"
[ -f /usr/lib/tmpfiles.d/lodemar-cli.conf ] || complain "no tmpfiles.d entry for /run/lodemar"
step "installed"

# --- The installed programs ----------------------------------------------
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
unset LODEMAR_DRIVER_DIR
cd "$work"

for program_name in lodemar-cli lodemar vorelin vorelin-emu; do
  [ "$($program_name --version)" = "$program_name $version" ] || complain "$program_name --version"
done
[ "$(/usr/libexec/tavrin --version)" = "tavrin $version" ] || complain "tavrin --version"
[ "$(/usr/libexec/tavrin-emu --version)" = "tavrin-emu $version" ] || complain "tavrin-emu --version"
env -u DISPLAY QT_QPA_PLATFORM=xcb lodemar --help | grep '^Usage: lodemar' >/dev/null \
  || complain "lodemar --help without a display"

# Every ELF file: hardened, no run path.
elves=()
while read -r path; do
  [ -f "$path" ] && [ ! -L "$path" ] && [ "$(head -c 4 "$path" | od -An -c | tr -d ' ')" = '177ELF' ] && elves+=("$path")
done < <(cat "$work"/*.list)
[ "${#elves[@]}" -ge 7 ] || complain "only ${#elves[@]} ELF files installed"
# Control flow protection cannot show on Debian 12: its glibc start files
# (Scrt1.o, crti.o) carry no IBT/SHSTK property, so the linker drops ours
# (the objects have it: -fcf-protection, debian/rules). The library's calls
# that _FORTIFY_SOURCE covers (memcpy, read, poll) write to its callers'
# buffers, whose sizes the compiler cannot know, or to its own arrays within
# bounds the compiler proves: none is left to check, none is protected.
for file in "${elves[@]}"; do
  options=(--nocfprotection)
  case "$file" in */libvorelin.so.*) options+=(--nofortify) ;; esac
  hardening-check --quiet "${options[@]}" "$file" >"$work/hardening.txt" 2>&1 \
    || { sed 's/^/  /' "$work/hardening.txt"; complain "$file is not hardened"; }
  if readelf -d "$file" | grep -E '\((RUNPATH|RPATH)\)' >/dev/null; then complain "$file has a run path"; fi
done
say "hardening-check: ${#elves[@]} ELF files"

for page in man1/lodemar.1 man1/lodemar-cli.1 man8/tavrin.8 man1/vorelin.1 man1/vorelin-emu.1 man3/vorelin.3; do
  text=$(MANWIDTH=80 man -l "/usr/share/man/$page.gz" 2>/dev/null || true)
  [ -n "$text" ] || { complain "man page $page is missing or empty"; continue; }
  for section in "EXIT STATUS" EXAMPLES; do
    [ "$page" = man3/vorelin.3 ] && continue
    grep -q "^$section" <<<"$text" || complain "$page has no $section"
  done
done
for page in man1/lodemar.1 man1/lodemar-cli.1 man8/tavrin.8; do
  grep '^FILES' <<<"$(MANWIDTH=80 man -l "/usr/share/man/$page.gz" 2>/dev/null || true)" >/dev/null \
    || complain "$page has no FILES"
done
for program_name in lodemar-cli vorelin; do
  bash -n "/usr/share/bash-completion/completions/$program_name" || complain "no bash completion for $program_name"
  zsh -n "/usr/share/zsh/vendor-completions/_$program_name" || complain "no zsh completion for $program_name"
  fish -n "/usr/share/fish/vendor_completions.d/$program_name.fish" || complain "no fish completion for $program_name"
done
# fish finds them where the packages put them (its own files go to $work).
completes() { HOME="$work" XDG_DATA_HOME="$work/data" fish -c "complete -C '$1'" | cut -f1; }
[ "$(completes "lodemar-cli wr")" = write ] || complain "fish does not complete lodemar-cli's commands"
[ "$(completes "vorelin /dev/ttyS0 pow")" = power ] || complain "fish does not complete vorelin's commands"
appstreamcli validate --no-net /usr/share/metainfo/org.lodemar.Lodemar.metainfo.xml >"$work/appstream.log" 2>&1 \
  || { sed 's/^/  /' "$work/appstream.log"; complain "the metainfo does not validate"; }
[ -f /usr/share/applications/org.lodemar.Lodemar.desktop ] || complain "no desktop entry named for the component id"
policy=/usr/share/polkit-1/actions/org.lodemar.tavrin.policy
xmllint --noout "$policy" || complain "the polkit policy is not well-formed XML"
grep '<annotate key="org.freedesktop.policykit.exec.path">/usr/libexec/tavrin</annotate>' "$policy" >/dev/null \
  || complain "the polkit policy does not name /usr/libexec/tavrin"

# A write and a read-back through the installed host, from a JSON layout.
lodemar-cli import /usr/share/doc/lodemar-cli/examples/retail-pos.json -o table.dat || complain "import"
lodemar-cli --emulate="$work/kb.mem" write table.dat >/dev/null 2>"$work/write.log" \
  || { cat "$work/write.log"; complain "write to the emulated keyboard"; }
lodemar-cli read --emulate="$work/kb.mem" -o - 2>/dev/null >back.dat || complain "read -o -"
cmp -s table.dat back.dat || complain "the table read back differs from the one written"
lodemar-cli diff --keyboard table.dat --emulate="$work/kb.mem" || complain "diff --keyboard"
step "lodemar-cli"

# The program, until its main window shows on a private X server.
display=""
for _ in $(seq 20); do
  candidate=$((200 + RANDOM % 300))
  [ -e "/tmp/.X11-unix/X$candidate" ] || [ -e "/tmp/.X$candidate-lock" ] || { display=:$candidate; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=$display lodemar --emulate="$work/kb.mem" >"$work/lodemar.log" 2>&1 &
program=$!
if DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible --name '^Keyboard programing tool' >/dev/null; then
  compgen -G "$work/runtime/lodemar/Tavrin.emulated-*.sock" >/dev/null || complain "lodemar started no driver host"
  host=""
  for cmdline in /proc/[0-9]*/cmdline; do
    args=$(tr '\0' ' ' <"$cmdline" 2>/dev/null) || continue
    case "$args" in *"--socket $work/runtime/lodemar/Tavrin.emulated-"*) host=${args%% *}; break ;; esac
  done
  [ "$host" = /usr/libexec/tavrin-emu ] || complain "lodemar did not start the installed host (${host:-none})"
else
  sed 's/^/  /' "$work/lodemar.log"
  complain "lodemar --emulate showed no window within 30 s"
fi
kill -TERM "$program"
status=0
wait "$program" || status=$?
program=""
[ "$status" -eq 0 ] || complain "lodemar ended with status $status"
! compgen -G "$work/runtime/lodemar/Tavrin.emulated-*.sock" >/dev/null || complain "lodemar left its host running"
kill "$xvfb" 2>/dev/null || true
wait "$xvfb" 2>/dev/null || true
xvfb=""
step "lodemar"

# vorelin, and C programs built against libvorelin-dev, against vorelin-emu
# (a plain background job: its pid stays ours to wait for).
mkfifo "$work/emu.in"
vorelin-emu --no-pacing <"$work/emu.in" >"$work/emu.out" 2>"$work/emu.err" &
emu=$!
exec {emu_in}>"$work/emu.in"
port=""
for _ in $(seq 100); do
  port=$(head -n 1 "$work/emu.out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$work/emu.err"; say "vorelin-emu did not start"; exit 1; }
expected='56 52 2D 45 4D 55 20 31 2E 30 30  "VR-EMU 1.00"
result 0: success'
[ "$(vorelin "$port" version)" = "$expected" ] || complain "vorelin version against vorelin-emu"
cat >reader.c <<'EOF'
#include <stdio.h>
#include <vorelin.h>
int main(int argc, char** argv)
{
    unsigned char version[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;
    VorelinHandle port = argc > 1 ? OpenComProt(argv[1]) : 0;
    if (!port)
        return 2;
    const int32_t result = GetICVersion(port, version, &count);
    CloseComProt(port);
    printf("%d %.*s\n", (int)result, (int)count, (const char*)version);
    return result == VORELIN_OK ? 0 : 1;
}
EOF
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vorelin) reader.c -o reader-pc $(pkg-config --libs vorelin) \
  || complain "the C program does not build through pkg-config"
mkdir cmake-project
cp reader.c cmake-project/
cat >cmake-project/CMakeLists.txt <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(reader C)
find_package(Vorelin 1 REQUIRED)
add_executable(reader-cmake reader.c)
target_link_libraries(reader-cmake PRIVATE Vorelin::vorelin)
EOF
if ! { cmake -S cmake-project -B cmake-build -G Ninja >/dev/null && cmake --build cmake-build >/dev/null; }; then
  complain "the C program does not build through find_package(Vorelin)"
fi
for reader in ./reader-pc ./cmake-build/reader-cmake; do
  [ -x "$reader" ] || continue
  [ "$("$reader" "$port")" = "0 VR-EMU 1.00" ] || complain "$reader against vorelin-emu"
  libraries=$(ldd "$reader")
  grep -E "libvorelin.so.1 => (/usr)?/lib/" <<<"$libraries" >/dev/null \
    || { echo "$libraries" >&2; complain "$reader does not use the installed library"; }
  objdump -T "$reader" | grep -E 'OpenComProt$' | grep VORELIN_1 >/dev/null \
    || complain "$reader does not bind the versioned OpenComProt@VORELIN_1"
done
echo quit >&"$emu_in"
exec {emu_in}>&-
wait "$emu" 2>/dev/null || true
emu=""
step "vorelin"

# --- The real keyboard's prompt: polkitd and pkexec -----------------------
# pkexec, set-user-id, reaches the system bus only at its fixed address, so
# the bus is the system's own one: started here for the check, unless one
# runs already.
bus_socket=/run/dbus/system_bus_socket
bus_answers() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetId \
    >/dev/null 2>&1
}
polkit_answers() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 2>/dev/null | grep 'boolean true' >/dev/null
}
wait_for() {
  local _
  for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done
  return 1
}
# The test user, allowed this one action by a temporary rule (read by
# polkitd as it starts, or as it changes when polkitd runs already).
user="lmpk$(od -An -N3 -tx1 /dev/urandom | tr -d ' \n')"
useradd --no-create-home --home-dir /nonexistent --shell /bin/sh "$user"
rule="/etc/polkit-1/rules.d/49-lodemar-check-$user.rules"
cat >"$rule" <<EOF
polkit.addRule(function(action, subject) {
    if (action.id == "$action" && subject.user == "$user")
        return polkit.Result.YES;
});
EOF
chmod 644 "$rule"
if ! bus_answers; then
  if [ ! -d /run/dbus ]; then mkdir -p /run/dbus; made_run_dbus=yes; fi
  rm -f "$bus_socket"
  dbus-daemon --system --nofork --nopidfile >"$work/dbus.log" 2>&1 &
  bus=$!
  wait_for bus_answers || { cat "$work/dbus.log"; say "the system bus did not start"; exit 1; }
fi
if ! polkit_answers; then
  "$polkitd" --no-debug >"$work/polkitd.log" 2>&1 &
  polkit=$!
  wait_for polkit_answers || { cat "$work/polkitd.log"; say "polkitd did not start"; exit 1; }
fi
pkaction --verbose --action-id "$action" >"$work/pkaction.txt" 2>&1 || true
sed 's/^/  /' "$work/pkaction.txt"
grep -E '^ +message: +Authentication is required to program the keyboard' "$work/pkaction.txt" >/dev/null \
  || complain "pkaction does not show the action's message"
grep -E '^ +implicit active: +auth_admin_keep$' "$work/pkaction.txt" >/dev/null \
  || complain "pkaction does not show auth_admin_keep for the active session"
grep -E "annotation: +org.freedesktop.policykit.exec.path -> /usr/libexec/tavrin$" "$work/pkaction.txt" >/dev/null \
  || complain "pkaction does not show the installed host as the action's program"

# The host's own words for a machine without a keyboard port, and its
# status through lodemar-cli, as root would see them.
no_port='no keyboard port found'
probe_as() {
  # $1: a user, or "" for root; the rest of the environment is a login's.
  local who=$1 log=$2 status=0
  local home=$work/home-${who:-root}
  install -d -m 700 "$home"
  [ -n "$who" ] && chown "$who" "$home"
  (cd "$home" && if [ -n "$who" ]; then
     runuser -u "$who" -- env -i PATH=/usr/bin:/bin HOME="$home" lodemar-cli probe
   else
     env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$home" lodemar-cli probe
   fi) >"$log" 2>&1 || status=$?
  echo "$status"
}
status=$(probe_as "$user" "$work/probe-user.log")
sed 's/^/  /' "$work/probe-user.log"
grep -F "$no_port" "$work/probe-user.log" >/dev/null \
  || complain "lodemar-cli probe through pkexec did not end with the host's message"
! grep -Ei 'not authorized|pkexec' "$work/probe-user.log" >/dev/null \
  || complain "pkexec refused the test user or failed"
[ "$status" -eq 1 ] || complain "lodemar-cli probe through pkexec ended with $status, not 1"
say "through pkexec as $user: status $status"
rm -f "$rule"
rule=""
if [ -n "$polkit" ]; then
  # polkitd reads its rules as it starts: started again without ours, it
  # wants an administrator's password for the test user, and with no agent
  # to ask for one, pkexec refuses; the host never runs.
  kill "$polkit"
  wait "$polkit" 2>/dev/null || true
  polkit_gone() { ! polkit_answers; }
  wait_for polkit_gone || { say "polkitd did not end"; exit 1; }
  "$polkitd" --no-debug >>"$work/polkitd.log" 2>&1 &
  polkit=$!
  wait_for polkit_answers || { cat "$work/polkitd.log"; say "polkitd did not start again"; exit 1; }
  status=$(probe_as "$user" "$work/probe-refused.log")
  sed 's/^/  /' "$work/probe-refused.log"
  ! grep -F "$no_port" "$work/probe-refused.log" >/dev/null || complain "the host ran for the test user without the rule"
  [ "$status" -eq 1 ] || complain "lodemar-cli probe refused by polkit ended with $status, not 1"
  say "refused without the rule: status $status"
else
  say "polkitd ran already: the refusal without the rule is not tried"
fi
for pid in $polkit $bus; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
[ -n "$bus" ] && rm -f "$bus_socket"
polkit="" bus=""
[ -n "$made_run_dbus" ] && rm -rf /run/dbus
made_run_dbus=""
# Root needs no polkit at all: with the daemons gone, the host is started
# directly and says the same.
status=$(probe_as "" "$work/probe-root.log")
sed 's/^/  /' "$work/probe-root.log"
grep -F "$no_port" "$work/probe-root.log" >/dev/null || complain "lodemar-cli probe as root did not reach the host"
[ "$status" -eq 1 ] || complain "lodemar-cli probe as root ended with $status, not 1"
say "as root: status $status"
userdel "$user"
user=""
step "polkit"

# --- Purge: nothing left behind ------------------------------------------
left_behind() {
  # $1: the root to look in; the rest: the lists of the packages' files.
  local base=$1 path
  shift
  while read -r path; do
    if [ -d "$base$path" ]; then
      # A folder of its own, named for the suite, must go too.
      case "${path,,}" in *lodemar*|*vorelin*|*tavrin*) complain "$path is left behind" ;; esac
    elif [ -e "$base$path" ] || [ -L "$base$path" ]; then
      complain "$path is left behind"
    fi
  done < <(cat "$@")
  for path in /run/lodemar /run/lodemar-root; do
    [ ! -e "$base$path" ] || complain "$path is left behind"
  done
}
cd /
apt_get purge "${packages[@]}" >/dev/null
for package in "${packages[@]}"; do
  installed "$package" && complain "$package is still installed"
  case "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" in
    *config-files*) complain "$package left its configuration" ;;
  esac
done
left_behind "" "$work"/*.list
getent passwd _tavrin >/dev/null || complain "the system user _tavrin went with the purge"
step "purged"

# --- lodemar-cli alone, on a machine without Qt ---------------------------
# A throw-away overlay of this machine's root in a mount namespace of its
# own: every Qt package removed there, lodemar-cli installed alone, used,
# purged; the machine itself is not touched.
cat >"$work/alone.sh" <<'EOF'
set -euo pipefail
work=$1 deb=$2
mkdir -p "$work/layer"
mount -t tmpfs tmpfs "$work/layer"
mkdir "$work/layer/upper" "$work/layer/work" "$work/layer/root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/layer/upper,workdir=$work/layer/work" "$work/layer/root"
new=$work/layer/root
mount -t proc proc "$new/proc"
mount --rbind /dev "$new/dev"
mount --rbind /sys "$new/sys"
mount -t tmpfs tmpfs "$new/run"
mount -t tmpfs tmpfs "$new/tmp"
mkdir -p "$new/run/lock" "$new/tmp/packages"
cp "$deb" "$new/tmp/packages/"
exec chroot "$new" /bin/bash -s <<'INNER'
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
qt=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 ~ /^.i/ && tolower($2) ~ /qt/ { print $2 }')
[ -z "$qt" ] || apt-get purge -y -qq $qt >/tmp/qt-purge.log 2>&1 || { cat /tmp/qt-purge.log; exit 10; }
apt-get install -y -qq --no-install-recommends /tmp/packages/*.deb >/tmp/install.log 2>&1 || { cat /tmp/install.log; exit 11; }
echo "qt: [$(dpkg -l | grep -i qt || true)]"
dpkg -L lodemar-cli >/tmp/files.list
cd /tmp
mkdir -m 700 runtime
export XDG_RUNTIME_DIR=/tmp/runtime XDG_STATE_HOME=/tmp/state
lodemar-cli import /usr/share/doc/lodemar-cli/examples/retail-pos.json -o table.dat
lodemar-cli write --emulate=/tmp/kb.mem table.dat >/dev/null 2>/tmp/write.log || { cat /tmp/write.log; exit 12; }
lodemar-cli read --emulate=/tmp/kb.mem -o back.dat >/dev/null 2>&1 || exit 13
cmp table.dat back.dat || exit 14
echo "written and read back"
ldd /usr/bin/lodemar-cli /usr/libexec/tavrin /usr/libexec/tavrin-emu | grep -i qt && exit 15
apt-get purge -y -qq lodemar-cli >/dev/null 2>&1 || exit 16
left=""
while read -r path; do
  if [ -d "$path" ]; then
    case "$path" in *lodemar*|*tavrin*) left="$left $path" ;; esac
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left="$left $path"
  fi
done </tmp/files.list
for path in /run/lodemar /run/lodemar-root; do [ ! -e "$path" ] || left="$left $path"; done
echo "left: [${left# }]"
INNER
EOF
status=0
unshare --mount --propagation private bash "$work/alone.sh" "$work" "$out/lodemar-cli_${version}_$arch.deb" \
  >"$work/alone.log" 2>&1 || status=$?
sed 's/^/  /' "$work/alone.log"
[ "$status" -eq 0 ] || complain "lodemar-cli alone: the check ended with status $status"
grep -Fx 'qt: []' "$work/alone.log" >/dev/null || complain "lodemar-cli alone brings a Qt package"
grep -Fx 'written and read back' "$work/alone.log" >/dev/null || complain "lodemar-cli alone does not work"
grep -Fx 'left: []' "$work/alone.log" >/dev/null || complain "lodemar-cli alone leaves files behind"
installed lodemar-cli && complain "the install without Qt reached the machine itself"
step "lodemar-cli alone"

if [ "$failures" -ne 0 ]; then
  say "$failures check(s) failed"
  exit 1
fi
say "the packages build, pass lintian, install, run, prompt through polkit and purge cleanly ($((SECONDS - started)) s)"
