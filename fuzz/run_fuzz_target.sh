#!/usr/bin/env bash
# Runs one libFuzzer program for TIRV_FUZZ_SECONDS seconds (default 20):
#   run_fuzz_target.sh <program> <work corpus folder> <seed folder> <kept-inputs folder>
# New inputs go to the work corpus; a failing input is written beside it and named in
# the output, to be kept under tests/fuzz-regressions/<target>/. Exits non-zero when
# the target failed.
set -uo pipefail
program=$1 corpus=$2 seeds=$3 kept=$4
seconds=${TIRV_FUZZ_SECONDS:-20}
mkdir -p "$corpus" "$corpus.artifacts"
inputs=("$corpus" "$seeds")
[ -d "$kept" ] && inputs+=("$kept")
echo "fuzzing $(basename "$program") for $seconds s"
# Every write of the targets would otherwise be a line in the machine's system log.
export TIRVANE_LOG_SOCKET=-
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$program" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$corpus.artifacts/" "${inputs[@]}" 2>&1 | grep --line-buffered -v -E '^#[0-9]+.*(NEW|REDUCE)'
rc=${PIPESTATUS[0]}
if [ "$rc" -ne 0 ]; then
  echo "fuzzing failed; the input that failed is in $corpus.artifacts/:" >&2
  ls -1 "$corpus.artifacts" >&2
  echo "keep it: cp <file> $kept/" >&2
fi
exit "$rc"
