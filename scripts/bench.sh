#!/usr/bin/env bash
# Builds the release build and runs the benchmarks; arguments go to each program (for
# example --benchmark_filter=Load). Each program prints its ratios after the run.
set -euo pipefail
case "${1:-}" in
  -h | --help)
    cat <<USAGE
usage: scripts/bench.sh [Google Benchmark options...]
Builds the release build and runs every program in build/release/bench/, passing the
options on (e.g. --benchmark_filter=Load). Each program ends with its ratios and goals.
USAGE
    exit 0 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" release
for program in "$root"/build/release/bench/*_bench; do
  echo "== $(basename "$program")"
  "$program" "$@"
done
