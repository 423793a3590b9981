#!/usr/bin/env bash
# Makes the two Debian packages, tirvane-resources (the command line, its configuration
# and the shared workspace) and tirvane-editor (the Qt editor): builds the programs with
# Debian's hardening flags (scripts/build.sh package, or the release kind, which has the
# same flags and the tests too), packs them with cpack (cpack --preset <kind>) into
# build/<kind>/, and checks each .deb with lintian: no error, no warning, and none of the
# notes that say a hardening feature or the stripping of the compiler's notes is missing.
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/package.sh [package|release]
Builds build/<kind>/tirvane-resources_<version>_<arch>.deb and
build/<kind>/tirvane-editor_<version>_<arch>.deb from the build of that kind (default
package: the programs alone) and checks both with lintian.
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
  "" | package | release) ;;
  *)
    usage >&2
    exit 2 ;;
esac
kind=${1:-package}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/$kind"
"$root/scripts/build.sh" "$kind"
rm -f "$build"/*.deb
(cd "$root" && cpack --preset "$kind" >/dev/null)

if ! command -v lintian >/dev/null; then
  echo "package: lintian is missing (run scripts/install-deps.sh test)" >&2
  exit 1
fi
for name in tirvane-resources tirvane-editor; do
  debs=("$build/${name}_"*.deb)
  deb=${debs[0]}
  [ -f "$deb" ] || { echo "package: cpack made no $name .deb" >&2; exit 1; }
  status=0
  report=$(lintian --info --display-info "$deb" 2>&1) || status=$?
  if [ "$status" -ne 0 ] || grep -qE '^[EW]: |hardening-no-|binary-has-unneeded-section' <<<"$report"; then
    echo "$report"
    echo "package: lintian finds fault with $deb" >&2
    exit 1
  fi
  grep -E '^[EWIPOX]: ' <<<"$report" || true
  echo "package: $deb"
done
