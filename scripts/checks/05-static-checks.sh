#!/usr/bin/env bash
# The static checks, each failing the stage on any finding:
#   ShellCheck    every shell script under scripts/ and tests/ (.shellcheckrc)
#   clang-format  every C and C++ file against .clang-format
#   clang-tidy    the program's own sources, its CLIs and Qt views included
#                 (not tests, benchmarks or fuzz targets) with the checks of
#                 .clang-tidy, over the native build's compile_commands.json
# The compiler's extra warnings are no stage of their own: cmake/Lodemar.cmake
# sets them for every build, and the native build makes them errors.
# A missing tool skips its check, saying so; the others still run.
set -euo pipefail
# shellcheck source=../common.sh
source "$(dirname "$0")/../common.sh"
cd "$root"
failed=()

shell_scripts() {
  local file
  git ls-files scripts tests | while IFS= read -r file; do
    case "$file" in
      *.sh) echo "$file" ;;
      *) if head -n1 "$file" | grep -E '^#!.*\b(ba|da)?sh\b' >/dev/null; then echo "$file"; fi ;;
    esac
  done
}

c_sources() {
  git ls-files '*.c' '*.h' '*.cpp' '*.hpp'
}

if command -v shellcheck >/dev/null; then
  echo "-- shellcheck"
  mapfile -t scripts < <(shell_scripts)
  shellcheck -f gcc "${scripts[@]}" || failed+=(shellcheck)
else
  echo "05-static-checks: SKIPPED: shellcheck: not installed (apt-get install shellcheck)"
fi

format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -n "$format" ]; then
  echo "-- clang-format"
  c_sources | xargs -d '\n' "$format" --dry-run --Werror || failed+=(clang-format)
else
  echo "05-static-checks: SKIPPED: clang-format: not installed (apt-get install clang-format)"
fi

tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
if [ -n "$tidy" ]; then
  echo "-- clang-tidy"
  # The native build's compile commands (./scripts/test.sh has made that
  # build by now; alone, this stage makes it).
  built "$root/build" "" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLODEMAR_WERROR=ON \
    -DBUILD_TESTING=ON -DLODEMAR_BENCH=ON
  mapfile -t units < <(python3 - "$root" <<'EOF'
import json, os, sys
root = sys.argv[1]
# Tests, benchmarks and examples are not checked. Nor, to keep the stage
# within about four minutes on two cores, the build-time art generator and
# loader (resources) and the screenshot tool: each file that includes Qt's
# widgets costs ~5 s of a core, each of the CLIs' (CLI11, JSON) ~12 s.
skip = ("tests/", "bench/", "fuzz/", "build", "examples/",
        "resources/", "app/screenshots/")
with open(os.path.join(root, "build", "compile_commands.json")) as f:
    for entry in json.load(f):
        path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
        if not path.startswith("..") and not path.startswith(skip):
            print(path)
EOF
  )
  modules='app|cardreader|common|dialoglayout|dialogs|driver|driverchannel|emulator|keycomposition|keydata|keylayout|presenters|resources|tools|transfer|widgets|win32'
  start=$SECONDS
  printf '%s\n' "${units[@]}" | sort -u | xargs -d '\n' -P "$jobs" -n 4 "$tidy" -p "$root/build" --quiet \
    --header-filter="^$root/($modules)/" --warnings-as-errors='*' >"$root/build/clang-tidy.log" 2>&1 \
    || { grep -E 'warning:|error:' "$root/build/clang-tidy.log" || cat "$root/build/clang-tidy.log"; failed+=(clang-tidy); }
  echo "clang-tidy: ${#units[@]} files in $((SECONDS - start)) s"
else
  echo "05-static-checks: SKIPPED: clang-tidy: not installed (apt-get install clang-tidy)"
fi

if (( ${#failed[@]} )); then
  echo "05-static-checks: findings of ${failed[*]}" >&2
  exit 1
fi
echo "05-static-checks: no findings"
