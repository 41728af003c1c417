#!/usr/bin/env bash
# Validates against the layout format's JSON Schema
# (docs/lodemar-key-table.schema.json), with Debian's python3-jsonschema: the
# example layouts, everything lodemar-cli export writes of them and of a
# layout written by hand, and the schema itself.
set -euo pipefail
source "$(dirname "$0")/../common.sh"

build="$root/build"
built "$build" lodemar-cli -DLODEMAR_WERROR=ON
cli="$build/tools/lodemar-cli/lodemar-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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
    exported = path.endswith(".dat.json") or path.endswith(".json.json")
    if exported and document.get("$schema") != schema["$id"]:
        failures += 1
        print(f"json-schema: {path}: no $schema reference to {schema['$id']}", file=sys.stderr)
if failures:
    sys.exit(1)
print(f"json-schema: {len(sys.argv) - 2} documents valid")
PY
