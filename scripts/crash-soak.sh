#!/usr/bin/env bash
# Kills saving processes at random points of their work, N times (default 10000), and
# reports any damaged file: saves of a workspace of 20 resources. (A single safe replace
# is killed before each of its calls in turn by the normal tests.)
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/crash-soak.sh [kills per scenario, default 10000]
Kills saving processes at random points of their work and reports any damaged file.
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
  "" | [0-9]*[0-9] | [0-9]) ;;
  *)
    usage >&2
    exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
kills=${1:-10000}
"$root/scripts/build.sh" release >/dev/null
TIRV_CRASH_KILLS=$kills "$root/build/release/tests/durability/durability_tests" \
  --gtest_filter='CrashConsistency.*'
