#!/usr/bin/env bash
# Configures and builds one kind of build under build/<kind>, through the CMake preset of
# that name (CMakePresets.json says what each holds):
#   release  optimised, with debug info and Debian's hardening flags: the editor, the
#            command line, the tests and the benchmarks; cpack packs it as it is
#   asan     the programs and the tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz     the libFuzzer targets (clang), without the user interface
#   package  the editor and the command line alone, with Debian's hardening flags
# Warnings are errors (TIRV_WERROR). Targets after the kind build only those, e.g.
#   scripts/build.sh release tirvane-editor
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/build.sh [release|asan|fuzz|package] [target...]
Configures and builds build/<kind> (default release) with the CMake preset of that name,
warnings as errors:
  release  optimised, with debug info and Debian's hardening flags: the editor, the
           command line, the tests and the benchmarks
  asan     the programs and the tests under AddressSanitizer and UndefinedBehaviorSanitizer
  fuzz     the libFuzzer targets (clang), without the user interface
  package  the editor and the command line alone, with Debian's hardening flags
Targets after the kind build only those, e.g. scripts/build.sh release tirvane-editor.
The same by hand: cmake --preset <kind> && cmake --build --preset <kind>
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
  "" | release | asan | fuzz | package) ;;
  *)
    usage >&2
    exit 2 ;;
esac
kind=${1:-release}
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset "$kind"
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
# As many compilers at once as there are cores (ninja's own default is two more).
cmake --build --preset "$kind" -j "$(nproc)" "${targets[@]}"
