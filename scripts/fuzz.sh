#!/usr/bin/env bash
# Builds the fuzz targets and runs them for a given time:
#   scripts/fuzz.sh <seconds> [target]     e.g. scripts/fuzz.sh 600 profile
# Without a target every target runs, one after another. A failing input is written to
# build/fuzz/fuzz/<target>-corpus.artifacts/; keep it under tests/fuzz-regressions/<target>/.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <seconds> [target]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" fuzz >/dev/null
export TIRV_FUZZ_SECONDS=$1
filter=${2:+fuzz_$2\$}
ctest --test-dir "$root/build/fuzz" -R "^${filter:-fuzz_}" --output-on-failure --verbose
