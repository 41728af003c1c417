#!/usr/bin/env bash
# Runs the Ansible collection lodemar.keyboard of the source tree with
# Debian's ansible-core, against three inventory hosts on this machine (local
# connection), each with its own emulated keyboard; lodemar-cli and the
# driver host come from the build tree:
#   1. the first run reports changed for each, and each keyboard holds the
#      layout (read back with lodemar-cli read);
#   2. a second run reports ok and writes nothing (the memory files' bytes
#      and modification times stay);
#   3. --check --diff after a change of one key shows exactly that key on
#      each host and writes nothing;
#   4. with one host's keyboard silent, that host fails with the system's
#      read failure text and the others are written.
# Also: ansible-doc shows the module, and the install rules put the
# collection and the schema where the packages expect them.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

build="$root/build"
built "$build" "lodemar-cli tavrin-emu" -DLODEMAR_WERROR=ON
cli="$build/tools/lodemar-cli/lodemar-cli"
host_dir="$build/driver/host"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
complain() {
  echo "ansible: $*" >&2
  failures=$((failures + 1))
}

# Everything Ansible keeps, and the keyboards' folders, private to this run.
mkdir -p "$work/collections/ansible_collections/lodemar" "$work/home" "$work/tree" "$work/silent"
mkdir -m 700 "$work/run"
ln -s "$root/packaging/ansible/lodemar/keyboard" "$work/collections/ansible_collections/lodemar/keyboard"
export ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_HOME="$work/home" \
  ANSIBLE_LOCAL_TEMP="$work/home/tmp" ANSIBLE_REMOTE_TEMP="$work/home/remote-tmp" \
  ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_HOST_KEY_CHECKING=0 \
  ANSIBLE_CALLBACKS_ENABLED=tree ANSIBLE_CALLBACK_TREE_DIR="$work/tree"
export XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state" LODEMAR_DRIVER_DIR="$host_dir"
# A driver host whose keyboard answers nothing.
printf '#!/bin/sh\nexec "%s" "$@" --fault silent\n' "$host_dir/tavrin-emu" >"$work/silent/tavrin-emu"
chmod +x "$work/silent/tavrin-emu"

doc=$(ansible-doc lodemar.keyboard.layout 2>&1) || complain "ansible-doc lodemar.keyboard.layout failed: $doc"
case $doc in *"LODEMAR.KEYBOARD.LAYOUT"*"check_mode"*) ;; *) complain "ansible-doc shows no documentation" ;; esac

# inventory FILE SILENT_HOST: three terminals, SILENT_HOST's keyboard silent.
inventory() {
  {
    echo "[terminals]"
    for till in till1 till2 till3; do
      local folder=$host_dir
      [ "$till" != "$2" ] || folder=$work/silent
      echo "$till memory=$work/$till.bin driver_dir=$folder"
    done
    echo "[terminals:vars]"
    echo "ansible_connection=local"
    echo "ansible_python_interpreter=/usr/bin/python3"
  } >"$1"
}
inventory "$work/inventory" ""
inventory "$work/inventory-silent" till2
cat >"$work/terminals.yml" <<'YAML'
- name: The terminals' keyboards hold the layout
  hosts: terminals
  gather_facts: false
  environment:
    LODEMAR_DRIVER_DIR: "{{ driver_dir }}"
  tasks:
    - name: Program the keyboard
      lodemar.keyboard.layout:
        src: "{{ layout }}"
        emulate: "{{ memory }}"
        executable: "{{ cli }}"
YAML

# play LOG INVENTORY LAYOUT [OPTIONS...]: one run; its exit status in $code.
play() {
  local log=$1 hosts=$2 layout=$3; shift 3
  rm -f "$work"/tree/*
  code=0
  timeout 120 ansible-playbook -i "$hosts" "$work/terminals.yml" -e "layout=$layout" -e "cli=$cli" "$@" \
    >"$work/$log.log" 2>&1 || code=$?
}
# results HOST:CHECK;... ...: checks each host's result (the tree callback's
# JSON): changed=BOOL, msg=PREFIX.
results() {
  /usr/bin/python3 - "$work/tree" "$@" <<'PY'
import json, os, sys
tree, checks = sys.argv[1], sys.argv[2:]
bad = 0
for host, wanted in (check.split(":", 1) for check in checks):
    path = os.path.join(tree, host)
    result = json.load(open(path)) if os.path.exists(path) else {}
    for check in wanted.split(";"):
        field, value = check.split("=", 1)
        if field == "msg":
            good = result.get("msg", "").startswith(value)
        else:
            good = bool(result.get(field, False)) == (value == "true")
        if not good:
            bad += 1
            print(f"ansible: {host}: {check} does not hold: {json.dumps(result)[:2000]}", file=sys.stderr)
sys.exit(1 if bad else 0)
PY
}
# state: the memory files' bytes and modification times.
state() { stat -c '%n %y' "$work"/till*.bin; md5sum "$work"/till*.bin; }

layout="$root/examples/retail-pos.json"
"$cli" import "$layout" -o "$work/expected.dat"

# 1. First run: changed everywhere, the keyboards hold the layout.
play first "$work/inventory" "$layout"
[ "$code" -eq 0 ] || complain "the first run failed ($code): $(tail -n 20 "$work/first.log")"
results till1:changed=true till2:changed=true till3:changed=true || failures=$((failures + 1))
for till in till1 till2 till3; do
  "$cli" read -o "$work/$till.dat" "--emulate=$work/$till.bin" >/dev/null 2>&1 \
    || complain "$till: the keyboard cannot be read back"
  cmp -s "$work/$till.dat" "$work/expected.dat" || complain "$till: the keyboard does not hold the layout"
done

# 2. Second run: ok, nothing written.
before=$(state)
play second "$work/inventory" "$layout"
[ "$code" -eq 0 ] || complain "the second run failed ($code): $(tail -n 20 "$work/second.log")"
results till1:changed=false till2:changed=false till3:changed=false || failures=$((failures + 1))
[ "$(state)" = "$before" ] || complain "the second run touched a keyboard's memory"

# 3. One key changed: --check --diff shows exactly it, and writes nothing.
/usr/bin/python3 - "$layout" "$work/changed.json" <<'PY'
import json, sys
layout = json.load(open(sys.argv[1]))
for key in layout["keys"]:
    if key["caption"] == "1":
        key.pop("content")
        key["text"] = "Hi\r"
json.dump(layout, open(sys.argv[2], "w"))
PY
play check "$work/inventory" "$work/changed.json" --check --diff
[ "$code" -eq 0 ] || complain "the run with --check failed ($code): $(tail -n 20 "$work/check.log")"
results till1:changed=true till2:changed=true till3:changed=true || failures=$((failures + 1))
# Each host's diff: that key before and after, nothing else.
shown=$(grep -E '^[-+]key ' "$work/check.log" | sort | uniq -c | sed 's/^ *//')
expected="3 +key 1 (key number 93): string Hi[Enter]
3 -key 1 (key number 93): string 4011[Enter][SE/]RET[Tab]4011[Enter][SE/]PRC[Tab]4011[Enter]"
[ "$shown" = "$expected" ] || complain "the diffs shown are not exactly the changed key: $shown"
[ "$(state)" = "$before" ] || complain "the run with --check touched a keyboard's memory"

# 4. A silent keyboard fails with the system's text; the others are written.
play silent "$work/inventory-silent" "$work/changed.json"
[ "$code" -ne 0 ] || complain "the run with a silent keyboard reported success"
results till1:changed=true till3:changed=true \
  till2:"changed=false;msg=Read data fail,Please read again! (the keyboard refused the read command)" \
  || failures=$((failures + 1))
for recap in "till1 .* changed=1 .* failed=0" "till2 .* failed=1" "till3 .* changed=1 .* failed=0"; do
  grep -E "^$recap" "$work/silent.log" >/dev/null || complain "not in the recap: $recap: $(tail -n 5 "$work/silent.log")"
done

# The install rules: the collection and the schema in the keyboard component.
cmake --install "$build" --component keyboard --prefix "$work/prefix" >/dev/null
for file in share/ansible/collections/ansible_collections/lodemar/keyboard/plugins/modules/layout.py \
  share/ansible/collections/ansible_collections/lodemar/keyboard/plugins/action/layout.py \
  share/ansible/collections/ansible_collections/lodemar/keyboard/galaxy.yml \
  share/lodemar/lodemar-key-table.schema.json; do
  [ -f "$work/prefix/$file" ] || complain "not installed: $file"
done

if [ "$failures" -ne 0 ]; then
  echo "ansible: $failures check(s) failed" >&2
  exit 1
fi
echo "ansible: lodemar.keyboard.layout changed, kept, checked and failed as it should on three terminals"
