#!/bin/busybox sh
# The init of the test machine that scripts/checks/30-kernel-vm.sh boots. As
# process 1 it mounts what the checks need, runs itself again as a child (a
# driver host must not see init as its parent) and powers the machine off.
# The child prints one line per check on the serial console:
#   VMTEST PASS|FAIL|INFO|OFF <check>: <detail>
# and, only when it got to the end, "VMTEST END <boot>".
#
# Kernel command line: lodemar_vm=default|nokbd names the boot (nokbd goes
# with i8042.nokbd); lodemar_serio=on enables the checks of the driver
# host's serio backend.

if [ "$$" = 1 ]; then
  /bin/busybox --install -s /bin
  export PATH=/usr/bin:/bin
  mount -t proc proc /proc
  mount -t sysfs sysfs /sys
  mount -t devtmpfs devtmpfs /dev
  mkdir -p /run /tmp /root
  mount -t tmpfs tmpfs /run
  mount -t tmpfs tmpfs /tmp
  export HOME=/root
  sh /init checks
  poweroff -f
fi

boot=$(sed -n 's/.*lodemar_vm=\([a-z]*\).*/\1/p' /proc/cmdline)
serio=$(sed -n 's/.*lodemar_serio=\([a-z]*\).*/\1/p' /proc/cmdline)
table=/vm/table.dat
cli=/usr/bin/lodemar-cli
host=/usr/libexec/tavrin
module=/lib/modules/serio_raw.ko
write_fail="Data writed to keyboard fail,Please retry again!"
read_fail="Read data fail,Please read again!"
load_fail="Can't not load kernel program!!!"
cd /tmp

pass() { echo "VMTEST PASS $1: $2"; }
fail() { echo "VMTEST FAIL $1: $2"; }
info() { echo "VMTEST INFO $1: $2"; }
off() { echo "VMTEST OFF $1: disabled until the driver host has its serio backend"; }

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
    pass "$1" "exit 1, $(head -n 1 "/tmp/$1.err")"
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
pacing() {
  mkdir -p /tmp/traced
  printf '#!/bin/sh\nexec %s "$@" --trace\n' "$host" >/tmp/traced/tavrin
  chmod 755 /tmp/traced/tavrin
  local memory=--emulate=/tmp/pacing.bin t0 t1 t2 bytes
  t0=$(now_ns)
  run pacing-probe env LODEMAR_DRIVER_DIR=/tmp/traced "$cli" probe "$memory"
  t1=$(now_ns)
  run pacing env LODEMAR_DRIVER_DIR=/tmp/traced "$cli" write "$table" "$memory"
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

raw_ports() {
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
}

# --- The serio backend (default boot, the kernel owns the port) -----------

serio_port_back() { # CHECK
  local port
  port=$(keyboard_port)
  if wait_for 2 driver_is "$port" atkbd; then
    pass "$1-port-back" "$(basename "$port") is with atkbd again"
  else
    fail "$1-port-back" "$(basename "$port") is with '$(driver_of "$port")'"
  fi
}

# A host killed while it holds the port: the next one gives it back.
serio_recovery() {
  local socket=/run/lodemar/tavrin.sock port pid held
  port=$(keyboard_port)
  "$host" --hardware 2>/tmp/serio-recovery.host &
  pid=$!
  wait_for 5 test -S "$socket"
  run serio-recovery-held env LODEMAR_HARDWARE_SOCKET="$socket" "$cli" probe
  held=$(driver_of "$port")
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ "$status" != 0 ] || [ "$held" != serio_raw ]; then
    fail serio-recovery "a probe through a running host: exit $status, port with '$held', host: $(cat /tmp/serio-recovery.host)"
    return
  fi
  run serio-recovery "$cli" probe
  expect_probe serio-recovery
  serio_port_back serio-recovery
}

serio_backend() {
  local checks="serio-probe serio-write serio-read serio-recovery raw-refused"
  if [ "$serio" != on ]; then
    for check in $checks; do off "$check"; done
    return
  fi
  local port
  port=$(keyboard_port)
  lsmod | grep -q '^serio_raw' || insmod "$module"

  run serio-probe "$cli" probe
  expect_probe serio-probe
  serio_port_back serio-probe
  run serio-write "$cli" write "$table"
  expect_failure serio-write "$write_fail"
  serio_port_back serio-write
  run serio-read "$cli" read -o /tmp/serio-read.dat
  expect_failure serio-read "$read_fail"
  serio_port_back serio-read

  serio_recovery

  # Without serio_raw the kernel keeps the port: the host must refuse to
  # start rather than fall back to raw port I/O behind the kernel's back
  # (which loses the replies to the kernel's interrupt handler).
  rmmod serio_raw
  run raw-refused "$cli" probe
  if [ "$status" = 1 ] && grep -qF "$load_fail" /tmp/raw-refused.err && driver_is "$port" atkbd; then
    pass raw-refused "exit $status, $(head -n 1 /tmp/raw-refused.err)"
  else
    fail raw-refused "exit $status, stdout '$out', port with '$(driver_of "$port")'"
  fi
}

case "$boot" in
  default)
    kernel_facts
    serio_backend
    pacing
    ;;
  nokbd)
    raw_ports
    ;;
  *)
    fail boot "unknown boot '$boot'"
    ;;
esac
echo "VMTEST END $boot"
