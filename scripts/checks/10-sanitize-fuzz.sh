#!/usr/bin/env bash
# Everything, the Qt program included, built with clang, address and undefined-behaviour
# sanitizers: the test suite, then each fuzz target for a bounded time. Clang's
# warnings are errors here as gcc's are in the native build.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"
dir="$root/build-sanitize"
configure_build "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DLODEMAR_SANITIZE=ON -DLODEMAR_WERROR=ON \
  -DLODEMAR_FUZZ=ON -DLODEMAR_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" -j "$jobs" -LE fuzz
ctest --test-dir "$dir" -j "$jobs" -L fuzz
