#!/usr/bin/env bash
# The Debian packages: builds them with CPack from the install rules in
# build-deb/ (prefix /usr, no tests), runs lintian on them (an error fails the
# stage; warnings are listed), installs them with apt, runs the installed
# programs (lodemar-cli --version, a write and read-back to the emulated
# keyboard, lodemar --emulate until its window shows on a private Xvfb,
# vorelin against vorelin-emu, a C program built against libvorelin-dev
# through pkg-config and through CMake's find_package), then purges them and
# checks that nothing they installed is left. Needs root (as in CI); skips,
# saying why, otherwise or when a package of the same names is installed
# from elsewhere.
set -euo pipefail
source "$(dirname "$0")/../common.sh"
name=debian-packages
dir="$root/build-deb"
packages=(lodemar libvorelin1 libvorelin-dev libvorelin-tools)
say() { echo "$name: $*"; }
skip() { say "SKIPPED: $*"; exit 0; }
failures=0
complain() { say "FAIL: $*" >&2; failures=$((failures + 1)); }
started=$SECONDS
step() { say "$1 ($((SECONDS - started)) s)"; }

[ "$(id -u)" -eq 0 ] || skip "installing packages needs root (CI runs as root)"
for tool in lintian Xvfb xdotool pkg-config appstreamcli; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/packages/)"
done
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep 'install ok installed' >/dev/null; then
    skip "$package is installed already; remove it first (apt-get purge ${packages[*]})"
  fi
done

# --- Build and package ----------------------------------------------------
configure_build "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DLODEMAR_BENCH=OFF >/dev/null
rm -rf "$dir/packages"
(cd "$dir" && cpack -G DEB >"$dir/cpack.log" 2>&1) || { cat "$dir/cpack.log"; say "cpack failed"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
arch=$(dpkg --print-architecture)
debs=()
for package in "${packages[@]}"; do
  deb="$dir/packages/${package}_${version}_$arch.deb"
  [ -f "$deb" ] || { say "$deb was not made"; exit 1; }
  debs+=("$deb")
  say "$(basename "$deb"): $(dpkg-deb -c "$deb" | grep -vc '/$') files"
  dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, "    "); print }'
done
step "packages built"

# --- lintian --------------------------------------------------------------
report="$dir/packages/lintian.txt"
lintian --tag-display-limit 0 "${debs[@]}" >"$report" 2>&1 || true
sed 's/^/  /' "$report"
errors=$(grep -c '^E: ' "$report" || true)
warnings=$(grep -c '^W: ' "$report" || true)
[ "$errors" -eq 0 ] || complain "lintian reports $errors error(s)"
say "lintian: $errors errors, $warnings warnings"
step "lintian done"

# --- Install --------------------------------------------------------------
work=$(mktemp -d)
xvfb=""
program=""
cleanup() {
  [ -n "$program" ] && kill -KILL "$program" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ -n "${EMU_PID:-}" ] && kill "$EMU_PID" 2>/dev/null || true
  apt-get purge -y -qq "${packages[@]}" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${debs[@]}" >"$work/apt.log" 2>&1 \
  || { sed 's/^/  /' "$work/apt.log"; say "the packages do not install"; exit 1; }
for package in "${packages[@]}"; do
  dpkg -L "$package" >"$work/$package.list"
done
step "installed"

# --- The installed programs -----------------------------------------------
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
unset LODEMAR_DRIVER_DIR
cd "$work"

[ "$(lodemar-cli --version)" = "lodemar-cli $version" ] || complain "lodemar-cli --version: $(lodemar-cli --version)"
for program_name in lodemar vorelin vorelin-emu; do
  [ "$($program_name --version)" = "$program_name $version" ] || complain "$program_name --version"
done
[ "$(/usr/libexec/tavrin --version)" = "tavrin $version" ] || complain "tavrin --version"
env -u DISPLAY QT_QPA_PLATFORM=xcb lodemar --help | grep '^Usage: lodemar' >/dev/null \
  || complain "lodemar --help without a display"

# No run path in anything installed.
for file in /usr/bin/lodemar /usr/bin/lodemar-cli /usr/bin/vorelin /usr/bin/vorelin-emu /usr/libexec/tavrin \
            /usr/lib/*/libvorelin.so.1; do
  if readelf -d "$file" | grep -E '\((RUNPATH|RPATH)\)' >/dev/null; then complain "$file has a run path"; fi
done
for page in lodemar.1 lodemar-cli.1 tavrin.8 vorelin.1 vorelin-emu.1 vorelin.3; do
  [ -f "/usr/share/man/man${page##*.}/$page.gz" ] || complain "no man page $page"
done
for completion in lodemar-cli vorelin; do
  [ -f "/usr/share/bash-completion/completions/$completion" ] || complain "no bash completion for $completion"
done
appstreamcli validate --no-net /usr/share/metainfo/org.lodemar.Lodemar.metainfo.xml >"$work/appstream.log" 2>&1 \
  || { sed 's/^/  /' "$work/appstream.log"; complain "the metainfo does not validate"; }
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/libexec/tavrin</annotate>' \
  /usr/share/polkit-1/actions/org.lodemar.tavrin.policy || complain "the polkit policy does not name /usr/libexec/tavrin"

# A write and a read-back through the installed host, from a JSON layout.
lodemar-cli import /usr/share/doc/lodemar/examples/retail-pos.json -o table.dat || complain "import"
lodemar-cli --emulate="$work/kb.mem" write table.dat >/dev/null 2>"$work/write.log" \
  || { cat "$work/write.log"; complain "write to the emulated keyboard"; }
lodemar-cli read --emulate="$work/kb.mem" -o - 2>/dev/null >back.dat || complain "read -o -"
cmp -s table.dat back.dat || complain "the table read back differs from the one written"
lodemar-cli diff --keyboard table.dat --emulate="$work/kb.mem" || complain "diff --keyboard"
step "lodemar-cli"

# The program, until its main window shows on a private X server.
display=:$((200 + RANDOM % 200))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=$display lodemar --emulate="$work/kb.mem" >"$work/lodemar.log" 2>&1 &
program=$!
if DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible --name '^Keyboard programing tool' >/dev/null; then
  compgen -G "$work/runtime/lodemar/Tavrin.emulated-*.sock" >/dev/null || complain "lodemar started no driver host"
  grep -qx "driver=/usr/libexec/tavrin" "$work"/runtime/lodemar/Tavrin.emulated-*.service \
    || complain "lodemar did not start the installed host"
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
xvfb=""
step "lodemar"

# vorelin, and C programs built against libvorelin-dev, against vorelin-emu.
coproc EMU { exec vorelin-emu --no-pacing; }
read -r -t 10 -u "${EMU[0]}" port || { say "vorelin-emu did not start"; exit 1; }
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
cmake -S cmake-project -B cmake-build -G Ninja >/dev/null && cmake --build cmake-build >/dev/null \
  || complain "the C program does not build through find_package(Vorelin)"
for reader in ./reader-pc ./cmake-build/reader-cmake; do
  [ -x "$reader" ] || continue
  [ "$("$reader" "$port")" = "0 VR-EMU 1.00" ] || complain "$reader against vorelin-emu"
  libraries=$(ldd "$reader")
  grep -Eq "libvorelin.so.1 => (/usr)?/lib/" <<<"$libraries" \
    || { echo "$libraries" >&2; complain "$reader does not use the installed library"; }
done
echo quit >&"${EMU[1]}"
wait "$EMU_PID" 2>/dev/null || true
step "vorelin"

# --- Purge: nothing left behind -------------------------------------------
cd /
apt-get purge -y -qq "${packages[@]}" >/dev/null
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep 'installed' >/dev/null && complain "$package is still installed"
  while read -r path; do
    if [ -d "$path" ]; then
      # A folder of its own, named for the suite, must go too.
      case "${path,,}" in *lodemar*|*vorelin*) complain "$path is left behind" ;; esac
    elif [ -e "$path" ] || [ -L "$path" ]; then
      complain "$path is left behind"
    fi
  done <"$work/$package.list"
done
step "purged"

if [ "$failures" -ne 0 ]; then
  say "$failures check(s) failed"
  exit 1
fi
say "the packages build, pass lintian, install, run and purge cleanly ($((SECONDS - started)) s)"
