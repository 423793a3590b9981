#!/usr/bin/env bash
# Makes the two Debian packages, tirvane-resources (the command line, its configuration
# and the shared workspace) and tirvane-editor (the Qt editor): builds the programs with
# Debian's hardening flags (scripts/build.sh package), packs them with cpack into
# build/package/, and checks each .deb with lintian: no error, no warning, and none of
# the notes that say a hardening feature or the stripping of the compiler's notes is
# missing.
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/package.sh
Builds build/package/tirvane-resources_<version>_<arch>.deb and
build/package/tirvane-editor_<version>_<arch>.deb and checks both with lintian.
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
build="$root/build/package"
"$root/scripts/build.sh" package
rm -f "$build"/*.deb
(cd "$build" && cpack >/dev/null)

if ! command -v lintian >/dev/null; then
  echo "package: lintian is missing (run scripts/install-deps.sh)" >&2
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
