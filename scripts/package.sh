#!/usr/bin/env bash
# Makes the Debian package: builds the editor with Debian's hardening flags
# (scripts/build.sh package), packs it with cpack into build/package/, and checks the
# .deb with lintian: no error, no warning, and none of the notes that say a hardening
# feature or the stripping of the compiler's notes is missing.
set -euo pipefail
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/package.sh"
    echo "Builds build/package/tirvane-editor_<version>_<arch>.deb and checks it with lintian."
    exit 0 ;;
  "") ;;
  *)
    echo "usage: scripts/package.sh (it takes no arguments)" >&2
    exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/package"
"$root/scripts/build.sh" package
rm -f "$build"/*.deb
(cd "$build" && cpack >/dev/null)
debs=("$build"/*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "package: cpack made no .deb" >&2; exit 1; }

if ! command -v lintian >/dev/null; then
  echo "package: lintian is missing (run scripts/install-deps.sh)" >&2
  exit 1
fi
status=0
report=$(lintian --info --display-info "$deb" 2>&1) || status=$?
if [ "$status" -ne 0 ] || grep -qE '^[EW]: |hardening-no-|binary-has-unneeded-section' <<<"$report"; then
  echo "$report"
  echo "package: lintian finds fault with $deb" >&2
  exit 1
fi
grep -E '^[EWIPOX]: ' <<<"$report" || true
echo "package: $deb"
