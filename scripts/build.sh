#!/usr/bin/env bash
# Configures and builds one kind of build under build/<kind>:
#   release  optimised, with debug info: the editor, the tests and the benchmarks
#   asan     the editor and the tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz     the libFuzzer targets (clang), without the user interface
#   package  the editor alone, with Debian's hardening flags (dpkg-buildflags), for the .deb
# Warnings are errors (TIRV_WERROR). Targets after the kind build only those, e.g.
#   scripts/build.sh release tirvane-editor
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/build.sh [release|asan|fuzz|package] [target...]
Configures and builds build/<kind> (default release), warnings as errors:
  release  optimised, with debug info: the editor, the tests and the benchmarks
  asan     the editor and the tests under AddressSanitizer and UndefinedBehaviorSanitizer
  fuzz     the libFuzzer targets (clang), without the user interface
  package  the editor alone, with Debian's hardening flags (dpkg-buildflags), for the .deb
Targets after the kind build only those, e.g. scripts/build.sh release tirvane-editor.
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
esac
kind=${1:-release}
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/$kind"
jobs=$(nproc)

case "$kind" in
  release)
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRV_WERROR=ON \
      -DTIRV_BUILD_BENCH=ON ;;
  asan)
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIRV_WERROR=ON \
      -DTIRV_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" ;;
  fuzz)
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTIRV_WERROR=ON -DTIRV_BUILD_UI=OFF -DTIRV_BUILD_TESTS=OFF -DTIRV_BUILD_FUZZ=ON ;;
  package)
    # Every hardening feature; CMake takes no CPPFLAGS, so they join the compiler flags.
    flags() { (cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRV_WERROR=ON \
      -DBUILD_TESTING=OFF -DTIRV_BUILD_TESTS=OFF \
      -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" \
      -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" ;;
  *)
    usage >&2
    exit 2 ;;
esac
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
cmake --build "$build" -j "$jobs" "${targets[@]}"
