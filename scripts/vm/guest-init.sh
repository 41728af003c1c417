#!/bin/busybox sh
# shellcheck shell=dash  # busybox ash, which ShellCheck checks as dash
# The init of the test machine that scripts/checks/30-kernel-vm.sh boots. As
# process 1 it mounts what the checks need, runs itself again as a child (a
# driver host must not see init as its parent) and powers the machine off.
# The child prints one line per check on the serial console:
#   VMTEST PASS|FAIL|INFO <check>: <detail>
# and, only when it got to the end, "VMTEST END <boot>".
#
# Kernel command line: lodemar_vm=default|nokbd names the boot (nokbd goes
# with i8042.nokbd, which also hosts our keyboard firmware as the keyboard
# port, through userio).

if [ "$$" = 1 ]; then
  /bin/busybox --install -s /bin
  export PATH=/usr/bin:/bin
  mount -t proc proc /proc
  mount -t sysfs sysfs /sys
  mount -t devtmpfs devtmpfs /dev
  mkdir -p /run /tmp /root
  # /run as a system has it: root's alone (the real keyboard's host checks).
  mount -t tmpfs -o mode=0755 tmpfs /run
  mount -t tmpfs tmpfs /tmp
  export HOME=/root
  chown 1000:1000 /home/user
  sh /init checks
  poweroff -f
fi

boot=$(sed -n 's/.*lodemar_vm=\([a-z]*\).*/\1/p' /proc/cmdline)
table=/vm/table.dat
cli=/usr/bin/lodemar-cli
host=/usr/libexec/tavrin
emulated_host=/usr/libexec/tavrin-emu
# The test build of the real host: the installed one takes no options beyond
# its job, and the checks that kill a host want it to hold the port longer.
test_host=/vm/tavrin_test_host
# The user the installed host's serving process runs as.
serving_uid=$(awk -F: '$1 == "_tavrin" { print $3 }' /etc/passwd)
module=/lib/modules/serio_raw.ko
socket=/run/lodemar/tavrin.sock
write_fail="Data writed to keyboard fail,Please retry again!"
read_fail="Read data fail,Please read again!"
load_fail="Can't not load kernel program!!!"
cd /tmp || { echo "VMTEST FAIL setup: no /tmp"; exit 1; }

pass() { echo "VMTEST PASS $1: $2"; }
fail() { echo "VMTEST FAIL $1: $2"; }
info() { echo "VMTEST INFO $1: $2"; }

# The serio port of the keyboard ("i8042 KBD port"), empty when there is none.
keyboard_port() {
  for port in /sys/bus/serio/devices/serio*; do
    [ "$(cat "$port/description" 2>/dev/null)" = "i8042 KBD port" ] && { echo "$port"; return; }
  done
}
driver_of() { basename "$(readlink "$1/driver" 2>/dev/null)" 2>/dev/null; }
# wait_for SECONDS COMMAND...: polls every 50 ms.
wait_for() {
  local tries=$(($1 * 20)); shift
  while ! "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    usleep 50000
  done
}
driver_is() { [ "$(driver_of "$1")" = "$2" ]; }
atkbd_registered() { grep -qs "AT Translated Set 2 keyboard" /sys/class/input/input*/name; }
# Monotonic nanoseconds.
now_ns() { awk '/^now at/ { print $3; exit }' /proc/timer_list; }

# run NAME COMMAND...: runs a program, keeping its exit status, standard
# output and standard error in $status, $out, $err.
run() {
  local name=$1; shift
  "$@" >"/tmp/$name.out" 2>"/tmp/$name.err"
  status=$?
  out=$(cat "/tmp/$name.out")
  err=$(cat "/tmp/$name.err")
}

# expect_failure CHECK TEXT: the last run ended with 1 and TEXT on stderr.
expect_failure() {
  if [ "$status" = 1 ] && grep -qF "$2" "/tmp/$1.err"; then
    pass "$1" "exit 1, $(grep -F "$2" "/tmp/$1.err" | head -n 1)"
  else
    fail "$1" "exit $status, stdout '$out', stderr '$err'"
  fi
}

# expect_probe CHECK: the last run was a probe that found a PS/2 keyboard.
expect_probe() {
  case "$status:$out" in
    "0:keyboard answers: FA AB "*) pass "$1" "$out" ;;
    *) fail "$1" "exit $status, stdout '$out', stderr '$err'" ;;
  esac
}

# The process whose parent is $1 (the real keyboard's host serves from one).
child_of() {
  local status
  for status in /proc/[0-9]*/status; do
    [ "$(awk '/^PPid:/ { print $2 }' "$status" 2>/dev/null)" = "$1" ] && { basename "${status%/status}"; return; }
  done
}
has_child() { [ -n "$(child_of "$1")" ]; }
status_field() { awk -v key="$2:" '$1 == key { $1 = ""; print substr($0, 2) }' "/proc/$1/status" 2>/dev/null; }
# Gone, or a zombie nobody reaps (this init does not).
gone() { [ ! -e "/proc/$1" ] || [ "$(status_field "$1" State | cut -c1)" = Z ]; }
# start_host PROGRAM [OPTIONS]: a host of the real keyboard in the
# background, as a program would start it; $host_pid once it serves.
start_host() {
  local program=$1; shift
  "$program" --hardware "$@" 2>/tmp/host.err &
  host_pid=$!
  wait_for 5 has_child "$host_pid" && wait_for 5 test -S "$socket"
}
attached_probe() { # NAME: lodemar-cli probe through the running host
  run "$1" env LODEMAR_HARDWARE_SOCKET="$socket" "$cli" probe
}
# as_user COMMAND...: as the unprivileged user (words without spaces), in
# this process (su and its shell exec the command).
as_user() { su -s /bin/sh user -c "exec $*"; }
uids() { echo "$1 $1 $1 $1"; }

# --- What the kernel does (the ground the driver host stands on) ----------

kernel_facts() {
  port=$(keyboard_port)
  if [ -n "$port" ] && driver_is "$port" atkbd; then
    pass kernel-keyboard-port "$(basename "$port") is \"i8042 KBD port\" with atkbd"
  else
    fail kernel-keyboard-port "no i8042 KBD port with atkbd"
    return
  fi
  if insmod "$module"; then pass kernel-serio-raw-module "insmod serio_raw.ko"; else fail kernel-serio-raw-module "insmod failed"; return; fi

  echo -n serio_raw >"$port/drvctl"
  if wait_for 2 test -c /dev/serio_raw0 && driver_is "$port" serio_raw; then
    pass kernel-bind "serio_raw bound through drvctl, /dev/serio_raw0 made"
  else
    fail kernel-bind "driver $(driver_of "$port"), $(ls /dev/serio_raw* 2>&1)"
    return
  fi
  # The identify command straight through the device: the kernel passes the
  # keyboard's bytes on as they come (translated by the controller).
  exec 3<>/dev/serio_raw0
  printf '\362' >&3
  answer=$(timeout 2 dd bs=1 count=3 <&3 2>/dev/null | od -An -tx1 | tr -s ' \n' ' ' | sed 's/ *$//')
  exec 3>&-
  case "$answer" in
    " fa ab "*) pass kernel-serio-raw-exchange "F2 answered$answer" ;;
    *) fail kernel-serio-raw-exchange "F2 answered '$answer'" ;;
  esac

  echo -n atkbd >"$port/drvctl"
  if wait_for 2 driver_is "$port" atkbd && wait_for 2 test ! -e /dev/serio_raw0 \
     && wait_for 2 atkbd_registered; then
    pass kernel-give-back "atkbd bound again, \"AT Translated Set 2 keyboard\" registered"
  else
    fail kernel-give-back "driver $(driver_of "$port")"
  fi
}

# --- The 1 ms wait before each byte, on this kernel -----------------------

# The host's wait is the same whichever keyboard is behind it: a write to the
# emulated keyboard, with the host tracing each byte, gives the byte count; a
# probe (one byte) the cost of starting and stopping the host, taken off.
# The emulated keyboard's host runs as the user who starts it, from a folder
# only that user can change (root takes no host from LODEMAR_DRIVER_DIR).
pacing() {
  local traced=/home/user/traced
  as_user mkdir -p "$traced"
  printf '#!/bin/sh\nexec %s "$@" --trace\n' "$emulated_host" >"$traced/tavrin-emu"
  chmod 755 "$traced/tavrin-emu"
  chown 1000:1000 "$traced/tavrin-emu"
  local memory=--emulate=/home/user/pacing.bin t0 t1 t2 bytes
  t0=$(now_ns)
  run pacing-probe as_user env LODEMAR_DRIVER_DIR="$traced" "$cli" probe "$memory"
  t1=$(now_ns)
  run pacing as_user env LODEMAR_DRIVER_DIR="$traced" "$cli" write "$table" "$memory"
  t2=$(now_ns)
  bytes=$(grep -c "^send_cmd return = fa" /tmp/pacing.err)
  if [ "$status" != 0 ] || [ "$bytes" -lt 2 ]; then
    fail pacing "emulated write: exit $status, $bytes bytes: $(tail -n 2 /tmp/pacing.err)"
    return
  fi
  info pacing "$(awk -v n="$bytes" -v probe=$((t1 - t0)) -v write=$((t2 - t1)) 'BEGIN {
    each = (write - probe) / (n - 1) / 1e6
    printf "write of %d bytes %.1f ms, probe %.1f ms: %.3f ms a byte, ratio %.2f to the 1 ms floor",
      n, write / 1e6, probe / 1e6, each, each }')"
}

# --- The raw-port backend where no kernel driver owns the keyboard port ---

keyboard_irq() { awk '$1 == "1:" { $1 = ""; print }' /proc/interrupts; }

raw_ports() {
  info raw-i8042 "i8042 driver $([ -e /sys/bus/platform/drivers/i8042/i8042 ] && echo bound || echo absent), IRQ 1: '$(keyboard_irq)'"
  if [ -z "$(keyboard_port)" ]; then
    pass raw-no-kernel-port "i8042.nokbd: the kernel registered no keyboard port"
  else
    fail raw-no-kernel-port "the kernel still has $(keyboard_port)"
  fi
  run raw-probe "$cli" probe
  expect_probe raw-probe
  # QEMU's keyboard refuses the programmable keyboard's commands with 0xFE.
  run raw-write "$cli" write "$table"
  expect_failure raw-write "$write_fail"
  run raw-read "$cli" read -o /tmp/raw-read.dat
  expect_failure raw-read "$read_fail"
  [ ! -e /tmp/raw-read.dat ] || fail raw-read "a file was saved"

  # The serving process asked for the ports before it gave root up.
  local serving
  if ! start_host "$host"; then
    fail raw-privileges "the host did not come up: $(cat /tmp/host.err)"
    return
  fi
  serving=$(child_of "$host_pid")
  attached_probe raw-privileges
  if [ "$status" = 0 ] && [ "$(status_field "$serving" Uid)" = "$(uids "$serving_uid")" ] \
     && [ "$(status_field "$serving" NoNewPrivs)" = 1 ]; then
    pass raw-privileges "the serving process $serving (_tavrin, uid $serving_uid, NoNewPrivs) keeps its port rights: $out"
  else
    fail raw-privileges "exit $status, stdout '$out', stderr '$err', Uid '$(status_field "$serving" Uid)'"
  fi
  kill -TERM "$host_pid"
  wait "$host_pid"
}

# --- The driver host's serio backend (default boot, the kernel owns the port)

port_back() { # CHECK: the port is with atkbd again
  local port
  port=$(keyboard_port)
  if wait_for 5 driver_is "$port" atkbd; then
    pass "$1-port-back" "$(basename "$port") is with atkbd again"
  else
    fail "$1-port-back" "$(basename "$port") is with '$(driver_of "$port")'"
  fi
}
# Without serio_raw loaded the host says so and never falls back to raw
# port I/O behind the kernel's back; with a modprobe that can, it loads it.
serio_module() {
  local port
  port=$(keyboard_port)
  # busybox timeout's watchdog may still hold the device opened above.
  if ! wait_for 5 rmmod serio_raw 2>/dev/null; then
    fail serio-no-module "cannot unload serio_raw: $(lsmod | grep serio_raw)"
    return
  fi
  run serio-no-module "$cli" probe
  if [ "$status" = 1 ] && grep -qF "$load_fail" /tmp/serio-no-module.err \
     && grep -qF "serio_raw driver is not loaded, and no modprobe" /tmp/serio-no-module.err \
     && driver_is "$port" atkbd; then
    pass serio-no-module "exit 1, $(grep -F 'tavrin:' /tmp/serio-no-module.err | head -n 1); no raw port I/O"
  else
    fail serio-no-module "exit $status, stdout '$out', stderr '$err', port with '$(driver_of "$port")'"
  fi

  local tree
  tree=/lib/modules/$(uname -r)
  mkdir -p /sbin "$tree/kernel/drivers/input/serio"
  cp "$module" "$tree/kernel/drivers/input/serio/"
  depmod
  ln -sf /bin/busybox /sbin/modprobe
  run serio-modprobe "$cli" probe
  if [ "$status" = 0 ] && lsmod | grep -q '^serio_raw'; then
    pass serio-modprobe "the host loaded serio_raw through /sbin/modprobe; $out"
  else
    fail serio-modprobe "exit $status, stdout '$out', stderr '$err', $(lsmod | grep serio_raw || echo 'not loaded')"
  fi
  port_back serio-modprobe
}

# The raw-port backend where the kernel takes the keyboard's interrupt: a
# host that cannot see the keyboard port (its folder hidden) must refuse
# rather than race the kernel.
raw_refused() {
  local port
  port=$(keyboard_port)
  mount -t tmpfs tmpfs /sys/bus/serio/devices
  run raw-refused "$cli" probe
  umount /sys/bus/serio/devices
  if [ "$status" = 1 ] && grep -qF "takes the keyboard's interrupt (IRQ 1)" /tmp/raw-refused.err \
     && driver_is "$port" atkbd; then
    pass raw-refused "IRQ 1:$(keyboard_irq); $(grep -F 'tavrin:' /tmp/raw-refused.err | head -n 1)"
  else
    fail raw-refused "exit $status, stdout '$out', stderr '$err'"
  fi
}

# lodemar-cli as a user runs it: the host started and stopped by the command.
serio_commands() {
  run serio-probe "$cli" probe
  expect_probe serio-probe
  port_back serio-probe
  run serio-write "$cli" write "$table"
  expect_failure serio-write "$write_fail"
  port_back serio-write
  run serio-read "$cli" read -o /tmp/serio-read.dat
  expect_failure serio-read "$read_fail"
  [ ! -e /tmp/serio-read.dat ] || fail serio-read "a file was saved"
  port_back serio-read
}

# A host that runs on, as the program keeps it from start to end: the port
# is the keyboard driver's but while requests come.
serio_running_host() {
  local port serving
  port=$(keyboard_port)
  if ! start_host "$host"; then
    fail serio-idle-start "the host did not come up: $(cat /tmp/host.err)"
    return
  fi
  serving=$(child_of "$host_pid")
  if driver_is "$port" atkbd; then
    pass serio-idle-start "a host that has served nothing leaves $(basename "$port") with atkbd"
  else
    fail serio-idle-start "$(basename "$port") is with '$(driver_of "$port")'"
  fi
  if [ "$(status_field "$serving" Uid)" = "$(uids "$serving_uid")" ] \
     && [ "$(status_field "$serving" NoNewPrivs)" = 1 ] \
     && [ "$(status_field "$serving" CapEff)" = 0000000000000000 ] \
     && [ "$(status_field "$host_pid" Uid)" = "0 0 0 0" ]; then
    pass serio-privileges "the serving process $serving is _tavrin (uid $serving_uid), NoNewPrivs, no capabilities; its monitor $host_pid keeps root"
  else
    fail serio-privileges "serving $serving: Uid '$(status_field "$serving" Uid)' NoNewPrivs '$(status_field "$serving" NoNewPrivs)' CapEff '$(status_field "$serving" CapEff)'; monitor Uid '$(status_field "$host_pid" Uid)'"
  fi
  attached_probe serio-attached
  expect_probe serio-attached
  if wait_for 5 driver_is "$port" atkbd && ! gone "$host_pid"; then
    pass serio-idle-give-back "the monitor gave $(basename "$port") back to atkbd after the idle time; the host still serves"
  else
    fail serio-idle-give-back "$(basename "$port") with '$(driver_of "$port")', host $(gone "$host_pid" && echo gone || echo running)"
  fi
  attached_probe serio-taken-again
  expect_probe serio-taken-again
  kill -TERM "$host_pid"
  wait "$host_pid"
  status=$?
  if [ "$status" = 0 ] && wait_for 5 driver_is "$port" atkbd && [ ! -e "$socket" ]; then
    pass serio-signal "SIGTERM: exit 0, the port with atkbd, the socket removed"
  else
    fail serio-signal "exit $status, port with '$(driver_of "$port")', $(cat /tmp/host.err)"
  fi
}

# A program that starts the host, uses the keyboard and is killed: the host
# ends with it and gives the port back.
serio_program_killed() {
  local port
  port=$(keyboard_port)
  sh -c '"$1" --hardware --test-release-ms 600000 2>/dev/null &
    while [ ! -S "$2" ]; do usleep 20000; done
    LODEMAR_HARDWARE_SOCKET="$2" "$3" probe >/tmp/serio-program.out 2>&1
    readlink "$4/driver" >/tmp/serio-program.held
    kill -9 $$' program "$test_host" "$socket" "$cli" "$port"
  if grep -q serio_raw /tmp/serio-program.held && wait_for 5 driver_is "$port" atkbd && wait_for 5 test ! -e "$socket"; then
    pass serio-program-killed "the host ended with the program that started it and gave $(basename "$port") back"
  else
    fail serio-program-killed "held '$(cat /tmp/serio-program.held)', port with '$(driver_of "$port")', $(cat /tmp/serio-program.out)"
  fi
}

# Killed outright while it holds the port (the idle time set long so that it
# surely does): the serving process, whose monitor gives the port back at
# once; the monitor, whose port the next host recovers.
serio_killed() {
  local port serving held
  port=$(keyboard_port)
  start_host "$test_host" --test-release-ms 600000
  serving=$(child_of "$host_pid")
  attached_probe serio-child-killed-held
  held=$(driver_of "$port")
  kill -9 "$serving"
  wait "$host_pid"
  status=$?
  if [ "$held" = serio_raw ] && [ "$status" = 8 ] && wait_for 5 driver_is "$port" atkbd; then
    pass serio-child-killed "the serving process killed while holding the port: the monitor gave it back, exit 8"
  else
    fail serio-child-killed "held '$held', exit $status, port with '$(driver_of "$port")', $(cat /tmp/host.err)"
  fi

  start_host "$test_host" --test-release-ms 600000
  serving=$(child_of "$host_pid")
  attached_probe serio-recovery-held
  held=$(driver_of "$port")
  kill -9 "$host_pid"
  wait "$host_pid" 2>/dev/null
  wait_for 5 gone "$serving"
  if [ "$held" != serio_raw ] || [ "$(driver_of "$port")" != serio_raw ]; then
    fail serio-recovery "the port was not held: '$held', then '$(driver_of "$port")'"
    return
  fi
  run serio-recovery "$cli" probe
  if [ "$status" = 0 ] && grep -qF "gave the keyboard port $(basename "$port") back" /tmp/serio-recovery.err; then
    pass serio-recovery "monitor killed with the port held; the next start: $(grep -F 'gave the' /tmp/serio-recovery.err)"
  else
    fail serio-recovery "exit $status, stdout '$out', stderr '$err'"
  fi
  port_back serio-recovery
}

# --- Our keyboard firmware as the kernel's keyboard port (nokbd boot) -----

# kbemu-userio registers a serio port "i8042 KBD port" of type 8042 XL on
# /dev/userio and answers with the emulated keyboard's firmware at a PS/2
# pace; atkbd binds to it as to the PC's keyboard. The host and lodemar-cli
# run as installed: lodemar-cli as an unprivileged user, the host through
# pkexec (the guest's stand-in, /usr/bin/pkexec from guest-pkexec.c, which
# sets PKEXEC_UID as pkexec does).
device=/vm/kbemu-userio
device_log=/tmp/device.log
userio_module=/lib/modules/userio.ko
device_ready() {
  local port
  port=$(keyboard_port)
  [ -n "$port" ] && driver_is "$port" atkbd && atkbd_registered
}
# start_device PACE_US MEMFILE: $device_pid once atkbd has bound the port.
start_device() {
  "$device" --pace-us "$1" --memory "$2" >>"$device_log" 2>&1 &
  device_pid=$!
  wait_for 10 device_ready
}
stop_device() {
  kill -TERM "$device_pid"
  wait "$device_pid"
  wait_for 5 test -z "$(keyboard_port)"
}
# The bytes each way so far: "FROM TO" (the device answers SIGUSR1 with a line).
device_counts() {
  local lines
  lines=$(grep -c '^from-pc ' "$device_log")
  kill -USR1 "$device_pid"
  wait_for 5 test "$(grep -c '^from-pc ' "$device_log")" -gt "$lines" || return 1
  grep '^from-pc ' "$device_log" | tail -n 1 | awk '{ print $2, $4 }'
}
# timed NAME COMMAND...: run, with the time in ms ($ms) and the device's
# bytes each way during it ($from, $to).
timed() {
  local name=$1 t0 t1 c0 c1
  shift
  c0=$(device_counts) || c0="0 0"
  t0=$(now_ns)
  run "$name" "$@"
  t1=$(now_ns)
  c1=$(device_counts) || c1="0 0"
  ms=$(((t1 - t0) / 1000000))
  from=$(( ${c1% *} - ${c0% *} )); to=$(( ${c1#* } - ${c0#* } ))
}
expect_success() { # CHECK DETAIL
  if [ "$status" = 0 ]; then pass "$1" "$2"; else fail "$1" "exit $status, stdout '$out', stderr '$err'"; fi
}

# A memory whose read-out is the largest a read accepts, 8000 decoded bytes:
# 29 keys share one 255-byte string, one more has 89 bytes (516 + 29 * 255 +
# 89), written as the firmware lays memory out.
largest_memory() {
  fill() { head -c "$1" /dev/zero | tr '\000' "$2"; }
  {
    printf '\252\125\003\017'; fill 252 '\377'
    i=0; while [ $i -lt 29 ]; do printf '\062\000'; i=$((i + 1)); done
    printf '\063\000'; fill 196 '\000'
    fill 255 a; printf '\000'; fill 89 b; printf '\000'; fill 3238 '\377'
  } >"$1"
}

userio_port() {
  [ -f "$userio_module" ] || { fail userio-module "no userio.ko (the stage says why)"; return 1; }
  [ -d /sys/bus/serio/drivers/serio_raw ] || insmod "$module"
  if insmod "$userio_module" && wait_for 2 test -c /dev/userio; then
    pass userio-module "userio.ko (built against this kernel's headers) loads, /dev/userio made"
  else
    fail userio-module "insmod failed: $(dmesg | tail -n 3)"
    return 1
  fi
  if start_device 1000 /tmp/userio.bin; then
    local port
    port=$(keyboard_port)
    pass userio-port "$(basename "$port") \"$(cat "$port/description")\" type $(cat "$port/id/type"), bound to atkbd: \"AT Translated Set 2 keyboard\""
  else
    fail userio-port "no keyboard port with atkbd: $(ls /sys/bus/serio/devices), $(cat "$device_log")"
    return 1
  fi
}

userio_commands() {
  local probe_ms probe_from probe_to
  timed userio-probe as_user "$cli" probe
  probe_ms=$ms; probe_from=$from; probe_to=$to
  expect_probe userio-probe
  port_back userio-probe

  timed userio-write as_user "$cli" write "$table"
  expect_success userio-write "the table written and read back equal in $ms ms ($from bytes to the keyboard, $to back)"
  [ "$status" = 0 ] && info userio-pacing "$(awk -v ms=$ms -v from=$from -v to=$to -v pms=$probe_ms \
    -v pfrom=$probe_from -v pto=$probe_to -v pace=1 'BEGIN {
    floor = (from - pfrom) * (1 + pace) + (to - pto) * pace
    printf "write with its read-back, less a probe: %d ms for a floor of %d ms (1 ms a byte sent plus %g ms on the wire each way): ratio %.3f",
      ms - pms, floor, pace, (ms - pms) / floor }')"
  port_back userio-write

  run userio-read as_user "$cli" read -o /tmp/userio-read.dat
  if [ "$status" = 0 ] && cmp -s /tmp/userio-read.dat "$table"; then
    pass userio-read "read -o gives a file byte-identical to the table written ($(stat -c %s "$table") bytes)"
  else
    fail userio-read "exit $status, stderr '$err', $(cmp /tmp/userio-read.dat "$table" 2>&1)"
  fi
  port_back userio-read
  run userio-verify as_user "$cli" verify "$table"
  expect_success userio-verify "the keyboard holds the table"
  port_back userio-verify
}

# The largest read-out through serio_raw's 64-byte queue, at the keyboard's
# pace and faster: PASS where it must be whole, INFO where it may not be.
userio_largest_read() {
  largest_memory /tmp/largest.bin
  "$device" --image /tmp/largest.bin >/tmp/largest.image
  local size pace check
  size=$(stat -c %s /tmp/largest.image)
  [ "$size" = 8000 ] || { fail userio-largest "the prepared image has $size bytes, not 8000"; return; }
  stop_device
  for pace in 1000 250 100 50 10 0; do
    check=info
    [ "$pace" -ge 250 ] && check=pass
    if ! start_device "$pace" /tmp/largest.bin; then
      fail "userio-largest-$pace" "the device did not come up: $(tail -n 3 "$device_log")"
      return
    fi
    timed "userio-largest-$pace" as_user "$cli" read -o "/tmp/largest-$pace.dat"
    if [ "$status" = 0 ] && cmp -s "/tmp/largest-$pace.dat" /tmp/largest.image; then
      $check "userio-largest-$pace" "8000 decoded bytes ($to on the wire) read whole at ${pace} us a byte in $ms ms"
    elif [ "$check" = pass ]; then
      fail "userio-largest-$pace" "exit $status, stderr '$err', $(cmp "/tmp/largest-$pace.dat" /tmp/largest.image 2>&1)"
    else
      info "userio-largest-$pace" "at ${pace} us a byte the read-out is not whole (exit $status, $to bytes on the wire): $(echo "$err" | tail -n 1)"
    fi
    port_back "userio-largest-$pace"
    stop_device
  done
  start_device 1000 /tmp/userio.bin
}

# A write whose program, monitor or serving process is killed (SIGKILL) in
# the middle: the write fails, the host's processes end (the program's
# host, which pkexec made root, although the kernel sends it no signal for
# a user's program), the port comes back (at once, or from the next host)
# and the next write succeeds.
userio_killed() { # CHECK program|monitor|serving
  local port cli_pid monitor serving victim cut
  port=$(keyboard_port)
  # su and its shell exec lodemar-cli: $! is the program itself.
  su -s /bin/sh user -c "exec $cli write $table" >"/tmp/$1-cut.out" 2>&1 &
  cli_pid=$!
  wait_for 10 driver_is "$port" serio_raw
  monitor=$(child_of "$cli_pid")
  serving=$(child_of "$monitor")
  case "$2" in
    program) victim=$cli_pid ;;
    monitor) victim=$monitor ;;
    serving) victim=$serving ;;
  esac
  if [ -z "$victim" ] || [ -z "$serving" ] || ! driver_is "$port" serio_raw; then
    fail "$1" "no host holding the port mid-write: $(cat "/tmp/$1-cut.out")"
    wait "$cli_pid"
    return
  fi
  kill -9 "$victim"
  wait "$cli_pid"
  cut=$?
  if [ "$cut" = 0 ]; then
    fail "$1" "the write succeeded though its $2 process was killed"
    return
  fi
  # Until both have ended the keyboard is rightly in use.
  if ! wait_for 10 gone "$monitor" || ! wait_for 10 gone "$serving"; then
    fail "$1" "the host's processes did not end after the $2 was killed: monitor $monitor $(status_field "$monitor" State), serving $serving $(status_field "$serving" State)"
    return
  fi
  run "$1" as_user "$cli" write "$table"
  if [ "$status" = 0 ] && wait_for 5 driver_is "$port" atkbd; then
    pass "$1" "$2 process killed mid-write: that write failed (exit $cut), the host ended, the next write succeeded, $(basename "$port") with atkbd"
  else
    fail "$1" "exit $status, stderr '$err', port with '$(driver_of "$port")'"
  fi
}

userio_path() {
  userio_port || return
  userio_commands
  userio_largest_read
  userio_killed userio-program-killed program
  userio_killed userio-serving-killed serving
  userio_killed userio-monitor-killed monitor
  stop_device
}

case "$boot" in
  default)
    kernel_facts
    serio_module
    raw_refused
    serio_commands
    serio_running_host
    serio_program_killed
    serio_killed
    pacing
    ;;
  nokbd)
    raw_ports
    userio_path
    ;;
  *)
    fail boot "unknown boot '$boot'"
    ;;
esac
echo "VMTEST END $boot"
