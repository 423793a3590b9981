#!/usr/bin/env bash
# Configures and builds one kind of build under build/<kind>:
#   release  optimised, with debug info: the editor, the tests and the benchmarks
#   asan     the editor and the tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz     the libFuzzer targets (clang), without the user interface
set -euo pipefail
kind=${1:-release}
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
  *)
    echo "usage: $0 [release|asan|fuzz]" >&2
    exit 2 ;;
esac
cmake --build "$build" -j "$jobs"
