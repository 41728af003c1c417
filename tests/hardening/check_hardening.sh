#!/usr/bin/env bash
# check_hardening.sh READELF CONFIG FILE...
# Each file is position-independent, has full RELRO (GNU_RELRO and
# immediate binding), calls the stack protector, has its code built for
# control-flow protection (x86: its functions begin with endbr; the file is
# not marked so as a whole, since Debian 12's start files are not), and in an
# optimised build uses the fortified functions.
set -euo pipefail
readelf=$1 config=$2
shift 2
failed=0
fail() { echo "check_hardening: $1: $2" >&2; failed=1; }
for file in "$@"; do
  header=$("$readelf" -h "$file")
  [[ $header == *"Type:"*"DYN"* ]] || fail "$file" "not position-independent"
  [[ $("$readelf" -lW "$file") == *GNU_RELRO* ]] || fail "$file" "no RELRO segment"
  dynamic=$("$readelf" -dW "$file")
  [[ $dynamic == *BIND_NOW* || $dynamic == *"Flags: NOW"* ]] || fail "$file" "no immediate binding"
  symbols=$("$readelf" --dyn-syms -W "$file")
  [[ $symbols == *__stack_chk_fail* ]] || fail "$file" "no stack protector"
  if [ "$config" != Debug ]; then
    [[ $symbols =~ __[a-z_]+_chk ]] || fail "$file" "no fortified function"
  fi
  if [[ $header == *"X86-64"* || $header == *"80386"* ]] && command -v objdump >/dev/null; then
    # A program's main, or a library's first function of its own.
    function=main
    if ! "$readelf" -lW "$file" | grep INTERP >/dev/null; then
      # Without the version node of a versioned export (name@@NODE).
      function=$(nm -D --defined-only "$file" | awk '$2 == "T" { sub(/@.*/, "", $3); print $3; exit }')
    fi
    entry=$(objdump -d --no-show-raw-insn --disassemble="$function" "$file" | grep -A1 "<$function>:" | tail -n 1)
    [[ $entry == *endbr* ]] || fail "$file" "$function is not built for control-flow protection"
  fi
done
exit "$failed"
