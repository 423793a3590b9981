#!/usr/bin/env bash
# Kills saving processes at random moments, N times per scenario (default 10000), and
# reports any damaged file: a one-shot write loop on one file, and saves of a
# workspace of 20 resources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kills=${1:-10000}
"$root/scripts/build.sh" release >/dev/null
TIRV_CRASH_KILLS=$kills "$root/build/release/tests/durability/durability_tests" \
  --gtest_filter='CrashConsistency.*'
