#!/usr/bin/env bash
# Installs the Debian packages listed under scripts/packages/ that are missing:
#   setup.sh        every list (building, running and testing everything)
#   setup.sh run    only run.txt (building and running the program)
# As root it uses apt-get directly, otherwise through sudo.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = run ]; then
  lists=("$here/packages/run.txt")
else
  lists=("$here"/packages/*.txt)
fi
mapfile -t pkgs < <(sed 's/#.*//' "${lists[@]}" | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep 'install ok installed' >/dev/null || missing+=("$p")
done
if (( ${#missing[@]} )); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: these Debian packages are missing: ${missing[*]}" >&2
      echo "setup: installing them needs root, and sudo is not installed: run this script as root" >&2
      echo "       (su -c '$0 ${1:-}'), or have an administrator run" >&2
      echo "       apt-get install --no-install-recommends ${missing[*]}" >&2
      exit 1
    fi
    sudo=sudo
  fi
  echo "setup: installing ${missing[*]}"
  # Packages of another architecture (wine32:i386, which runs the 32-bit
  # Windows programs) need it added to dpkg first.
  for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/^[^:]*:\([a-z0-9]*\)$/\1/p' | sort -u); do
    if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -x "$arch" >/dev/null; then
      $sudo dpkg --add-architecture "$arch"
    fi
  done
  # A mirror mid-sync fails one index now and then: try again, and install
  # from the lists apt has when it still fails (a missing package then says so).
  for try in 1 2 3; do
    $sudo apt-get update -qq && break
    [ "$try" = 3 ] && echo "setup: apt-get update failed three times; installing from the lists apt has" >&2
    [ "$try" = 3 ] || sleep $((try * 10))
  done
  install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"; }
  if ! install "${missing[@]}"; then
    # Another architecture's packages need its index to match this one's
    # exactly; a stale index of it (a mirror mid-sync) must not cost the
    # rest. What needs them says it is missing them and skips that part.
    mapfile -t native < <(printf '%s\n' "${missing[@]}" | grep -v ':' || true)
    foreign=$(printf '%s\n' "${missing[@]}" | grep ':' | paste -sd ' ' || true)
    [ -n "$foreign" ] || exit 1
    echo "setup: WARNING: $foreign cannot be installed now; installing the rest without it" >&2
    (( ${#native[@]} == 0 )) || install "${native[@]}"
  fi
fi
