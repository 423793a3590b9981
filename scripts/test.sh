#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build's tests, the
# same tests under AddressSanitizer + UndefinedBehaviorSanitizer, the fuzz targets for
# TIRV_FUZZ_SECONDS each (default 20), and the two Debian packages packed from the
# release build and checked with lintian. Each run is a CMake preset (scripts/build.sh,
# then ctest --preset); its counts come from ctest's exit status and its JUnit file
# build/<kind>/junit.xml. Exits non-zero when anything fails.
set -uo pipefail
usage() {
  cat <<USAGE
usage: scripts/test.sh
Installs what is missing (scripts/install-deps.sh test), builds and runs every test: the
release build, the sanitizer build, each fuzz target for TIRV_FUZZ_SECONDS seconds
(default 20), and the packages packed from the release build (scripts/package.sh
release, lintian must find nothing to warn about). Ends with a line
"tests: N passed, N failed, N skipped"; exits non-zero when anything fails.
As root, the package test installs, starts and purges tirvane-resources and
tirvane-editor, so neither may be installed on the machine: it stops before building if
one is (as another user that test is skipped).
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
cd "$root" || exit 1

"$root/scripts/install-deps.sh" test || exit 1

if [ "$(id -u)" -eq 0 ]; then
  for name in tirvane-resources tirvane-editor; do
    if dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep -qv 'not-installed'; then
      echo "test: the Debian package $name is installed on this machine. The package test" >&2
      echo "test: installs, starts and purges it, so it would fail; remove it first:" >&2
      echo "test:   apt-get purge tirvane-editor tirvane-resources" >&2
      exit 1
    fi
  done
fi

export TIRV_FUZZ_SECONDS=${TIRV_FUZZ_SECONDS:-20}
passed=0
failed=0
skipped=0
summaries=()
declare -A built=()

# The value of one attribute of the JUnit file's <testsuite>.
junit_count() {  # <junit file> <attribute>
  xmllint --xpath "string(/testsuite/@$2)" "$1" 2>/dev/null
}

run_suite() {  # <build kind> <label>
  local kind=$1 label=$2 junit="$root/build/$1/junit.xml" start build_time status
  local tests failures skips disabled
  echo "== $label: build"
  start=$SECONDS
  if ! "$root/scripts/build.sh" "$kind"; then
    echo "== $label: build failed"
    failed=$((failed + 1))
    summaries+=("$label: build failed")
    return
  fi
  build_time=$((SECONDS - start))
  built[$kind]=yes
  echo "== $label: tests"
  start=$SECONDS
  rm -f "$junit"
  ctest --preset "$kind" -j "$(nproc)"
  status=$?
  tests=$(junit_count "$junit" tests)
  failures=$(junit_count "$junit" failures)
  skips=$(junit_count "$junit" skipped)
  disabled=$(junit_count "$junit" disabled)
  if ! [[ "$tests$failures$skips$disabled" =~ ^[0-9]+$ ]] || [ "$tests" -eq 0 ]; then
    failed=$((failed + 1))
    summaries+=("$label: no test results in $junit (ctest exit status $status)")
    return
  fi
  passed=$((passed + tests - failures - skips - disabled))
  failed=$((failed + failures))
  skipped=$((skipped + skips + disabled))
  local line="$((tests - failures - skips - disabled)) passed, $failures failed"
  line+=", $((skips + disabled)) skipped (build ${build_time} s, tests $((SECONDS - start)) s)"
  if [ "$status" -ne 0 ] && [ "$failures" -eq 0 ]; then
    # ctest failed without a failed test (a test it could not start, for one).
    failed=$((failed + 1))
    line+=", but ctest exited with status $status"
  fi
  summaries+=("$label: $line")
}

run_suite release "release build"
run_suite asan "sanitizer build"
run_suite fuzz "fuzzing (${TIRV_FUZZ_SECONDS} s per target)"

echo "== packages of the release build and lintian"
start=$SECONDS
if [ -z "${built[release]:-}" ]; then
  failed=$((failed + 1))
  summaries+=("packages: not made, the release build failed")
elif "$root/scripts/package.sh" release; then
  passed=$((passed + 1))
  summaries+=("packages: built and lintian-clean ($((SECONDS - start)) s)")
else
  failed=$((failed + 1))
  summaries+=("packages: failed")
fi

echo
echo "== summary ($((SECONDS / 60)) min $((SECONDS % 60)) s)"
printf '%s\n' "${summaries[@]}"
echo "tests: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
