# shellcheck shell=bash
# Sourced by the scripts: paths and the one way the project is configured.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
export CTEST_OUTPUT_ON_FAILURE=1

# configure_build DIR [cmake args...]: configure (once) and build DIR.
configure_build() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# built DIR TARGETS [cmake args...]: the first time, configures DIR with the
# arguments and builds all of it; afterwards builds only TARGETS (a
# space-separated list; empty: everything).
built() {
  local dir=$1 targets=$2; shift 2
  if [ -f "$dir/build.ninja" ]; then
    # shellcheck disable=SC2086  # TARGETS is a list of words
    cmake --build "$dir" -j "$jobs" ${targets:+--target $targets} >/dev/null
  else
    configure_build "$dir" "$@"
  fi
}

# windows_built DIR ARCH TARGETS: built, as the mingw-w64 cross build for ARCH
# (i686 or x86_64), warnings as errors.
windows_built() {
  built "$1" "$3" -DCMAKE_BUILD_TYPE=Release -DLODEMAR_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$2-w64-mingw32.cmake"
}

# find_wine STAGE: wine64 and its server in $wine and $wineserver, or the
# stage ends saying wine64 is missing.
find_wine() {
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  # shellcheck disable=SC2034 # for the stages that call find_wine
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  [ -x "$wine" ] || { echo "$1: wine64 is not installed" >&2; exit 1; }
}
