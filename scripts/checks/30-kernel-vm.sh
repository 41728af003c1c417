#!/usr/bin/env bash
# Runs the real-keyboard code on a real Linux kernel: boots Debian's cloud
# kernel under QEMU (whose PC has an i8042 controller with a PS/2 keyboard)
# with an initramfs of busybox, serio_raw.ko and the statically linked
# lodemar-cli and tavrin, twice at once:
#   - default: the kernel owns the keyboard port (the kernel's serio facts,
#     the driver host's serio backend and its privilege separation, the 1 ms
#     pacing);
#   - nokbd (i8042.nokbd): the kernel leaves the port alone, and the raw-port
#     backend reaches the keyboard through the controller's ports; then our
#     keyboard firmware becomes the keyboard port (kbemu-userio on the
#     kernel's userio module, which Debian does not build: the stage builds
#     it from Debian's kernel source against the booted kernel's headers), and
#     lodemar-cli writes, reads and verifies a table through the kernel's
#     serio layer.
# The guest (scripts/vm/guest-init.sh) prints a PASS/FAIL line per check;
# any FAIL, a missing end line or a boot that does not power off in time
# fails the stage. Skips, saying why, when QEMU or the kernel cannot be had.
#
# The kernel is downloaded once per version, never installed, and kept in
# ${XDG_CACHE_HOME:-$HOME/.cache}/lodemar/vm (build-vm/cache when that cannot
# be written), with the userio.ko built for it.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

boot_seconds=300 # per boot; both run at once
name="kernel-vm"
dir="$root/build-vm"
meta=linux-image-cloud-amd64
# A pattern (for tar and find) of the module's path in the kernel's package.
module_path='lib/modules/*/kernel/drivers/input/serio/serio_raw.ko'

flavour=${meta#linux-image-}
# The port's name in the module, as the PC's keyboard port has it.
port_name="i8042 KBD port"

say() { echo "$name: $*"; }
skip() {
  say "SKIPPED: $*"
  exit 0
}
started=$SECONDS

# --- Tools ----------------------------------------------------------------
qemu=$(command -v qemu-system-x86_64 || true)
[ -n "$qemu" ] || skip "qemu-system-x86_64 is not installed (package qemu-system-x86, scripts/packages/vm.txt)"
"$qemu" --version >/dev/null 2>&1 || skip "qemu-system-x86_64 does not run here"
busybox=/bin/busybox
if [ ! -x "$busybox" ] || readelf -l "$busybox" 2>/dev/null | grep 'program interpreter' >/dev/null; then
  skip "no statically linked $busybox (package busybox-static)"
fi
command -v cpio >/dev/null || skip "cpio is not installed"

# --- The kernel: vmlinuz and serio_raw.ko of one package version ----------
cache="${XDG_CACHE_HOME:-${HOME:-/nonexistent}/.cache}/lodemar/vm"
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
  cache="$dir/cache"
  mkdir -p "$cache"
fi

# The versions apt knows of a package, newest first.
versions_of() { apt-cache madison "$1" 2>/dev/null | awk -F'|' '{ gsub(/ /, "", $2); print $2 }' | sort -V -r -u || true; }
# The kernel series of a package version: 6.1 of 6.1.76-1.
series_of() { if [[ $1 =~ ^[0-9]+\.[0-9]+ ]]; then echo "${BASH_REMATCH[0]}"; fi; }
# The newest kernel whose build tools and source the archive still has at
# its own version: it keeps only the newest of the unversioned linux-kbuild
# and linux-source packages, and a mirror mid-sync may hold the kernel's
# meta package ahead of them or behind. Else the meta package's candidate
# (userio.ko then cannot be built, and the stage says why).
kernel_version() {
  local v series
  for v in $(versions_of "$meta"); do
    series=$(series_of "$v")
    versions_of "linux-kbuild-$series" | grep -x -F "$v" >/dev/null || continue
    versions_of "linux-source-$series" | grep -x -F "$v" >/dev/null || continue
    echo "$v"; return
  done
  versions_of "$meta" | head -n 1
}
kernel_package() { # META-VERSION
  [ -n "$1" ] || return 0
  apt-cache depends "$meta=$1" 2>/dev/null | awk '/Depends: linux-image-/ { print $2; exit }' || true
}
meta_version=$(kernel_version)
if [ -z "$meta_version" ] && [ "$(id -u)" -eq 0 ]; then
  # A machine whose package lists were never fetched or were cleaned.
  apt-get update -qq >/dev/null 2>&1 || true
  meta_version=$(kernel_version)
fi
package=$(kernel_package "$meta_version")
version=""
[ -z "$package" ] \
  || version=$(versions_of "$package" | grep -x -F "$meta_version" || versions_of "$package" | head -n 1)
if [ -n "$version" ]; then
  kernel="$cache/${package}_$version"
  if [ ! -f "$kernel/vmlinuz" ] || [ ! -f "$kernel/serio_raw.ko" ]; then
    say "downloading $package $version"
    fetch=$(mktemp -d "$cache/.fetch.XXXXXX")
    trap 'rm -rf "$fetch"' EXIT
    if (cd "$fetch" && apt-get download "$package=$version") >"$fetch/log" 2>&1; then
      mkdir "$fetch/out"
      dpkg-deb --fsys-tarfile "$fetch"/*.deb \
        | tar -x -C "$fetch" --wildcards './boot/vmlinuz-*' "./$module_path"
      mv "$fetch"/boot/vmlinuz-* "$fetch/out/vmlinuz"
      mv "$(find "$fetch/lib/modules" -path "$fetch/$module_path")" "$fetch/out/serio_raw.ko"
      rm -rf "$kernel"
      mv "$fetch/out" "$kernel"
      # Older versions are not needed any more.
      find "$cache" -mindepth 1 -maxdepth 1 -name 'linux-image-*' ! -path "$kernel" -exec rm -rf {} +
    else
      say "apt-get download failed:"; sed 's/^/  /' "$fetch/log"
      kernel=""
    fi
    rm -rf "$fetch"
    trap - EXIT
  fi
else
  kernel=""
fi
if [ -z "$kernel" ]; then
  # Offline: the newest kernel cached before, if any.
  kernel=$(find "$cache" -mindepth 1 -maxdepth 1 -type d -name 'linux-image-*' | sort -V | tail -n 1)
  [ -n "$kernel" ] || skip "no kernel: apt knows no $meta or cannot download it, and none is cached in $cache"
  say "using the cached $(basename "$kernel")"
fi

# --- userio.ko, built from Debian's kernel source for that kernel ----------
# The kernel's headers (with the kbuild tools) and source of the kernel's
# version, unpacked into a private folder, never installed; only the built
# module is kept beside the kernel.
userio_error=""
build_userio() { # KERNEL-FOLDER
  local base package version abi series fetch headers
  base=$(basename "$1"); package=${base%%_*}; version=${base#*_}
  abi=${package#linux-image-}
  series=$(series_of "$version")
  for tool in make gcc xz; do
    command -v "$tool" >/dev/null || { userio_error="$tool is not installed (scripts/packages/vm.txt)"; return; }
  done
  say "building userio.ko for $abi"
  fetch=$(mktemp -d "$cache/.userio.XXXXXX")
  trap 'rm -rf "$fetch"' EXIT
  if ! (cd "$fetch" && apt-get download "linux-headers-$abi=$version" "linux-headers-${abi%-"$flavour"}-common=$version" \
        "linux-kbuild-$series=$version" "linux-source-$series=$version") >"$fetch/log" 2>&1; then
    userio_error="apt-get download of the kernel's headers and source failed: $(tail -n 3 "$fetch/log")"
  else
    mkdir "$fetch/root" "$fetch/module"
    for deb in "$fetch"/linux-headers-*.deb "$fetch"/linux-kbuild-*.deb; do dpkg-deb -x "$deb" "$fetch/root"; done
    headers="$fetch/root/usr/src/linux-headers-$abi"
    # Its Makefile includes the common headers by their installed path.
    sed -i "s|^include /usr/src/|include $fetch/root/usr/src/|" "$headers/Makefile"
    if ! dpkg-deb --fsys-tarfile "$fetch"/linux-source-*.deb | tar -xO "./usr/src/linux-source-$series.tar.xz" \
         | xz -dc | tar -x -C "$fetch/module" --wildcards --strip-components=4 '*/drivers/input/serio/userio.c'; then
      userio_error="drivers/input/serio/userio.c not found in linux-source-$series"
    fi
    # The port gets the keyboard port's name (userio leaves it empty); its
    # type (8042 XL) is the device program's to set.
    [ -n "$userio_error" ] || sed -i \
      "s/^\(\t*\)userio->serio->port_data = userio;\$/&\n\1strscpy(userio->serio->name, \"$port_name\", sizeof(userio->serio->name));/" \
      "$fetch/module/userio.c"
    echo 'obj-m := userio.o' >"$fetch/module/Kbuild"
    if [ -n "$userio_error" ]; then
      :
    elif ! grep -F "\"$port_name\"" "$fetch/module/userio.c" >/dev/null; then
      userio_error="userio.c has changed: the port's name could not be set"
    elif ! make -C "$headers" M="$fetch/module" modules >"$fetch/make.log" 2>&1; then
      userio_error="the module did not build: $(tail -n 5 "$fetch/make.log")"
    else
      cp "$fetch/module/userio.ko" "$1/userio.ko.new" && mv "$1/userio.ko.new" "$1/userio.ko"
    fi
  fi
  rm -rf "$fetch"
  trap - EXIT
}
[ -f "$kernel/userio.ko" ] || build_userio "$kernel"
[ -z "$userio_error" ] || say "no userio.ko: $userio_error"

# --- The programs, statically linked, installed as the guest has them -----
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLODEMAR_BUILD_GUI=OFF \
  -DBUILD_TESTING=OFF -DLODEMAR_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_EXE_LINKER_FLAGS=-static >/dev/null
# The keyboard component also installs its man pages: build them when scdoc
# made them a target.
targets=(tavrin tavrin-emu tavrin_test_host lodemar-cli kbemu_userio)
cmake --build "$dir" --target help | grep lodemar_man_pages >/dev/null && targets+=(lodemar_man_pages)
cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
stage="$dir/initramfs"
rm -rf "$stage"
# Only the keyboard programs (lodemar-cli, tavrin and what comes with them).
DESTDIR="$stage" cmake --install "$dir" --component keyboard --strip >/dev/null
mkdir -p "$stage"/{bin,dev,proc,sys,run,tmp,root,vm,lib/modules}
cp "$busybox" "$stage/bin/busybox"
cp "$kernel/serio_raw.ko" "$stage/lib/modules/"
[ ! -f "$kernel/userio.ko" ] || cp "$kernel/userio.ko" "$stage/lib/modules/"
cp "$dir/emulator/keyboard/kbemu-userio" "$stage/vm/"
# The test build of the real host (a longer hold for the checks that kill
# it) serves as its own user; the installed one as _tavrin, which the
# package creates and the guest's user database here holds, beside the
# user the checks run unprivileged programs as.
cp "$dir/driver/host/tavrin_test_host" "$stage/vm/"
# pkexec as it behaves for an authorised caller (the guest has no polkit).
gcc -static -O2 -Wall -Wextra -Werror -o "$stage/usr/bin/pkexec" "$root/scripts/vm/guest-pkexec.c"
chmod 4755 "$stage/usr/bin/pkexec"
mkdir -p "$stage/etc" "$stage/home/user"
printf '%s\n' 'root:x:0:0:root:/root:/bin/sh' '_tavrin:x:998:998::/nonexistent:/bin/false' \
  'user:x:1000:1000::/home/user:/bin/sh' >"$stage/etc/passwd"
printf '%s\n' 'root:x:0:' '_tavrin:x:998:' 'user:x:1000:' >"$stage/etc/group"
cp "$root/scripts/vm/guest-init.sh" "$stage/init"
chmod 755 "$stage/init"
cp "$root/examples/retail-pos.dat" "$stage/vm/table.dat"
initrd="$dir/initrd.cpio.gz"
(cd "$stage" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) | gzip -1 >"$initrd"
say "kernel $(basename "$kernel"), initramfs $(($(stat -c %s "$initrd") / 1024)) KiB"

# --- Both boots at once ---------------------------------------------------
boot() { # NAME EXTRA-KERNEL-ARGUMENTS
  timeout -k 5 "$boot_seconds" "$qemu" -accel tcg -m 256M -smp 1 -no-user-config \
    -kernel "$kernel/vmlinuz" -initrd "$initrd" \
    -append "console=ttyS0 quiet panic=-1 lodemar_vm=$1 $2" \
    -display none -monitor none -serial "file:$dir/vm-$1.log" -no-reboot -nic none \
    </dev/null >"$dir/vm-$1.qemu" 2>&1
}
boots=(default nokbd)
declare -A boot_args=([default]="" [nokbd]="i8042.nokbd") boot_pid=() boot_status=()
rm -f "$dir"/vm-*.log
for b in "${boots[@]}"; do
  boot "$b" "${boot_args[$b]}" &
  boot_pid[$b]=$!
done
for b in "${boots[@]}"; do
  boot_status[$b]=0
  wait "${boot_pid[$b]}" || boot_status[$b]=$?
done

failures=0
ran=0
figure=""
for b in "${boots[@]}"; do
  status=${boot_status[$b]}
  log="$dir/vm-$b.log"
  lines=$(tr -d '\r' <"$log" 2>/dev/null | grep -a '^VMTEST ' || true)
  if [ -z "$lines" ] && [ "$status" -ne 0 ] && [ "$status" -ne 124 ]; then
    skip "QEMU could not run (exit $status): $(head -c 400 "$dir/vm-$b.qemu")"
  fi
  sed -n 's/^VMTEST \(PASS\|FAIL\|INFO\) /  ['"$b"'] \1 /p' <<<"$lines"
  [ "$b" != nokbd ] || figure=$(sed -n 's/^VMTEST INFO userio-pacing: //p' <<<"$lines")
  if [ "$status" -eq 124 ]; then
    say "$b boot: no power-off within $boot_seconds s"
    failures=$((failures + 1))
  elif [ "$status" -ne 0 ]; then
    say "$b boot: QEMU ended with $status"
    failures=$((failures + 1))
  fi
  if ! grep -qx "VMTEST END $b" <<<"$lines"; then
    say "$b boot: the checks did not run to their end; the console's last lines:"
    tr -d '\r' <"$log" 2>/dev/null | tail -n 15 | sed 's/^/    /'
    failures=$((failures + 1))
  fi
  failures=$((failures + $(grep -c '^VMTEST FAIL ' <<<"$lines" || true)))
  ran=$((ran + $(grep -c '^VMTEST \(PASS\|FAIL\) ' <<<"$lines" || true)))
done
if [ -n "$userio_error" ]; then
  say "the userio checks could not run: $userio_error"
  failures=$((failures + 1))
fi
if [ "$failures" -ne 0 ]; then
  say "$failures failure(s); consoles in $dir/vm-*.log"
  exit 1
fi
say "$ran checks passed in both boots ($((SECONDS - started)) s)"
[ -z "$figure" ] || say "the write through the kernel's serio layer: $figure"
