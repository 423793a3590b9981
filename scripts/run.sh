#!/usr/bin/env bash
# Installs what is missing, builds the editor (only the editor) and opens it on the
# sample workspace that lies beside the built executable. Without an X11 display it says
# so in one line and exits with 2.
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/run.sh
Installs what is missing, builds the editor and opens it on the sample workspace beside
build/release/src/gui/tirvane-editor. Needs an X11 display.
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
if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No X11 display: run it on a desktop, over 'ssh -X', or as 'xvfb-run scripts/run.sh'." >&2
  exit 2
fi
"$root/scripts/install-deps.sh" >/dev/null
"$root/scripts/build.sh" release tirvane-editor >/dev/null
exec "$root/build/release/src/gui/tirvane-editor"
