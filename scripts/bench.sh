#!/usr/bin/env bash
# Builds the release build and runs the benchmarks; arguments go to each program (for
# example --benchmark_filter=Load). Each program prints its ratios after the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" release
for program in "$root"/build/release/bench/*_bench; do
  echo "== $(basename "$program")"
  "$program" "$@"
done
