#!/usr/bin/env bash
# Sets everything up, then builds and runs every test and check:
#   1. the native build (gcc, warnings as errors) and its test suite;
#   2. every stage under scripts/checks/, in name order (sanitizers and fuzzing,
#      Windows cross builds and their export checks, runs under wine, ...).
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
"$root/scripts/setup.sh"

echo "== native build and tests"
# Tests and benchmarks on, whatever an earlier ./scripts/run.sh left configured.
configure_build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLODEMAR_WERROR=ON \
  -DBUILD_TESTING=ON -DLODEMAR_BENCH=ON
ctest --test-dir "$root/build" -j "$jobs" -LE fuzz

for stage in "$root"/scripts/checks/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  bash "$stage"
done
echo "== all tests and checks passed"
