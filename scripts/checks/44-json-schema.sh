#!/usr/bin/env bash
# Validates against the JSON Schema of layouts and results
# (docs/lodemar-key-table.schema.json), with Debian's python3-jsonschema: the
# example layouts, everything lodemar-cli export writes of them and of a
# layout written by hand, the --json results of show, diff, verify, probe and
# apply (against the emulated keyboard, a silent one included), and the
# schema itself.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"

build="$root/build"
built "$build" "lodemar-cli tavrin-emu" -DLODEMAR_WERROR=ON
cli="$build/tools/lodemar-cli/lodemar-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The emulated keyboard's host from the build tree, its folders private.
mkdir -m 700 "$work/run" "$work/silent"
export XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state" LODEMAR_DRIVER_DIR="$build/driver/host"
printf '#!/bin/sh\nexec "%s" "$@" --fault silent\n' "$build/driver/host/tavrin-emu" >"$work/silent/tavrin-emu"
chmod +x "$work/silent/tavrin-emu"

documents=()
for example in "$root"/examples/*.json; do
  name=$(basename "$example" .json)
  documents+=("$example")
  "$cli" export "$root/examples/$name.dat" -o "$work/$name.dat.json"
  "$cli" export "$example" -o "$work/$name.json.json"
  documents+=("$work/$name.dat.json" "$work/$name.json.json")
done
# A layout by hand, by captions and text; exported again after its import.
cat >"$work/by-hand.json" <<'JSON'
{"format": "lodemar-key-table", "version": 2, "systemConfig": 3, "mcrConfig": 15,
 "keys": [{"caption": "1", "kind": 3, "text": "Hello\r"}, {"caption": "L", "kind": 1, "content": "01"},
          {"keyNumber": 120, "kind": 2, "content": "e075"}]}
JSON
"$cli" import "$work/by-hand.json" -o "$work/by-hand.dat"
"$cli" export "$work/by-hand.dat" -o "$work/by-hand.dat.json"
documents+=("$work/by-hand.json" "$work/by-hand.dat.json")

# result NAME ARGS...: the --json result of a run, whatever its exit status.
result() {
  local name=$1; shift
  "$cli" "$@" >"$work/$name.result.json" 2>/dev/null || true
  documents+=("$work/$name.result.json")
}
keyboard="--emulate=$work/keyboard.bin"
layout="$root/examples/retail-pos.json"
result show show --json "$layout"
result show-missing show --json "$work/missing.json"
result diff diff --json "$root/examples/retail-pos.dat" "$root/examples/multi-layer.json"
result probe probe --json "$keyboard"
result apply-check apply --check --json "$layout" "$keyboard"
result apply apply --json "$layout" "$keyboard"
result apply-again apply --json "$layout" "$keyboard"
result verify verify --json "$root/examples/multi-layer.dat" "$keyboard"
result diff-keyboard diff --json --keyboard "$layout" "$keyboard"
LODEMAR_DRIVER_DIR="$work/silent" result apply-silent apply --json "$layout" "$keyboard"

# Debian's validator, not whatever python3 is first on the PATH.
/usr/bin/python3 - "$root/docs/lodemar-key-table.schema.json" "${documents[@]}" <<'PY'
import json, sys
import jsonschema

schema = json.load(open(sys.argv[1]))
validator = jsonschema.Draft202012Validator(schema)
validator.check_schema(schema)
failures = 0
for path in sys.argv[2:]:
    document = json.load(open(path))
    for error in validator.iter_errors(document):
        failures += 1
        where = "/".join(str(part) for part in error.absolute_path)
        print(f"json-schema: {path}: {where}: {error.message}", file=sys.stderr)
    if path.endswith(".result.json") and document.get("format") != "lodemar-cli-result":
        failures += 1
        print(f"json-schema: {path}: not a result", file=sys.stderr)
    exported = path.endswith(".dat.json") or path.endswith(".json.json")
    if exported and document.get("$schema") != schema["$id"]:
        failures += 1
        print(f"json-schema: {path}: no $schema reference to {schema['$id']}", file=sys.stderr)
if failures:
    sys.exit(1)
print(f"json-schema: {len(sys.argv) - 2} documents valid")
PY
