#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer, the fuzz targets for
# TIRV_FUZZ_SECONDS each (default 60), and the package build with its lintian check.
# Exits non-zero when anything fails.
set -uo pipefail
usage() {
  cat <<USAGE
usage: scripts/test.sh
Installs what is missing, builds and runs every test: the normal build, the sanitizer
build, each fuzz target for TIRV_FUZZ_SECONDS seconds (default 60), and the package
build (scripts/package.sh, lintian must find nothing to warn about). Ends with a line
"tests: N passed, N failed"; exits non-zero when anything fails.
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
  "") ;;
  *)
    usage >&2
    exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" || exit 1

export TIRV_FUZZ_SECONDS=${TIRV_FUZZ_SECONDS:-60}
passed=0
failed=0
summaries=()

run_suite() {  # <build kind> <label>
  local kind=$1 label=$2 log
  log=$(mktemp)
  echo "== $label: build"
  if ! "$root/scripts/build.sh" "$kind"; then
    echo "== $label: build failed"
    failed=$((failed + 1))
    summaries+=("$label: build failed")
    return
  fi
  echo "== $label: tests"
  ctest --test-dir "$root/build/$kind" -j "$(nproc)" --output-on-failure --timeout 900 2>&1 | tee "$log"
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    summaries+=("$label: no test summary")
  else
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    summaries+=("$label: $line")
  fi
  rm -f "$log"
}

run_suite release "normal build"
run_suite asan "sanitizer build"
run_suite fuzz "fuzzing (${TIRV_FUZZ_SECONDS}s per target)"

echo "== package build and lintian"
if "$root/scripts/package.sh"; then
  passed=$((passed + 1))
  summaries+=("package: built and lintian-clean")
else
  failed=$((failed + 1))
  summaries+=("package: failed")
fi

echo
echo "== summary"
printf '%s\n' "${summaries[@]}"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
