#!/usr/bin/env bash
# Builds the fuzz targets and runs them for a given time:
#   scripts/fuzz.sh <seconds> [target]     e.g. scripts/fuzz.sh 600 profile
# Without a target every target runs, one after another. A failing input is written to
# build/fuzz/fuzz/<target>-corpus.artifacts/; keep it under tests/fuzz-regressions/<target>/.
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/fuzz.sh <seconds> [target]     e.g. scripts/fuzz.sh 600 profile
Builds the fuzz targets (clang) and runs the target, or every target one after another,
for the given time. Targets: profile, port_text, resource_file.
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
esac
if [ $# -lt 1 ]; then
  usage >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" fuzz >/dev/null
export TIRV_FUZZ_SECONDS=$1
filter=${2:+fuzz_$2\$}
cd "$root"
ctest --preset fuzz -R "^${filter:-fuzz_}"
