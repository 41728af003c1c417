#!/usr/bin/env bash
# Measures the program by hand (not in CI): the time from starting
# `lodemar --emulate` to its main window being shown, and its resident
# memory then, under a private Xvfb display; then the write and read of the
# emulated keyboard through the window (bench/app/lodemar_app_bench).
#   scripts/bench-gui.sh            RUNS=N for another number of starts (10)
# The first start runs with cold file caches when the caches can be dropped
# (root outside a container); the others are warm.
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
build="$root/build"
runs=${RUNS:-10}
for tool in Xvfb xev xdotool; do
  command -v "$tool" >/dev/null || { echo "bench-gui: $tool is missing (scripts/packages/app.txt)" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$jobs" --target lodemar tavrin lodemar_app_bench

work=$(mktemp -d)
mkdir -m 700 "$work/runtime"
xvfb=""
cleanup() {
  if [ -n "${WATCH_PID:-}" ]; then kill "$WATCH_PID" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 200); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done

# Map events of the root window's children, read as they come: a window is
# shown when it is mapped (there is no window manager in between). One
# watcher for all starts, since every X client takes a while to connect.
coproc WATCH { exec xev -root -event substructure; }
sleep 1
drain() { while read -r -t 0.05 _ <&"${WATCH[0]}"; do :; done; }
wait_for_map() {
  local line
  while read -r -t 30 line <&"${WATCH[0]}"; do
    [[ $line == MapNotify* ]] && return 0
  done
  return 1
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
starts=() rss=()
for run in $(seq "$runs"); do
  if [ "$run" -eq 1 ]; then
    sync
    echo 3 2>/dev/null >/proc/sys/vm/drop_caches && echo "first start: file caches dropped" || echo "first start: file caches could not be dropped (warm)"
  fi
  drain
  t0=$(now_ms)
  env -u LODEMAR_DRIVER_DIR XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work" \
    "$build/app/lodemar" --emulate="$work/kb.mem" &
  pid=$!
  wait_for_map || { echo "bench-gui: no window was shown" >&2; exit 1; }
  t1=$(now_ms)
  sleep 0.5 # painted and idle
  xdotool search --onlyvisible --name '^Keyboard programing tool' >/dev/null \
    || { echo "bench-gui: the window shown is not the main window" >&2; exit 1; }
  kb=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  kill -TERM "$pid"
  wait "$pid" || true
  starts+=($(( t1 - t0 ))) rss+=("$kb")
  printf 'start %2d: %4d ms to the shown window, %6.1f MB resident\n' "$run" $(( t1 - t0 )) "$(awk -v kb="$kb" 'BEGIN { print kb / 1024 }')"
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "start to shown window: first $(( starts[0] )) ms, median $(median "${starts[@]}") ms (target under 300 ms)"
echo "resident memory: median $(awk -v kb="$(median "${rss[@]}")" 'BEGIN { printf "%.1f", kb / 1024 }') MB (target under 60 MB)"

unset DISPLAY
"$build/bench/app/lodemar_app_bench" --benchmark_counters_tabular=true
