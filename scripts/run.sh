#!/usr/bin/env bash
# Installs what building and running need (scripts/install-deps.sh run), builds the editor
# and the command line tirvane-resources (the package kind: the programs alone, as the
# Debian packages hold them) and opens the editor on the sample workspace that lies beside
# the built executable. Says what it does at each step. Without an X11 display it says so
# in one line and exits with 2.
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/run.sh
Installs what building and running need (scripts/install-deps.sh run), builds the editor
and the command line tirvane-resources in build/package, and opens the editor on the
sample workspace beside build/package/src/gui/tirvane-editor. Needs an X11 display.
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
program_dir=$root/build/package/src/gui

echo "run: 1/3 the Debian packages that building and running need"
"$root/scripts/install-deps.sh" run
echo "run: 2/3 building the editor and tirvane-resources in build/package (a first build takes a minute or two)"
"$root/scripts/build.sh" package tirvane-editor tirvane-resources
echo "run: 3/3 starting $program_dir/tirvane-editor"
echo "run: its workspace is the one that $program_dir/TirvOPC.ini names;"
echo "run: $program_dir/tirvane-resources does the same work from the shell"
exec "$program_dir/tirvane-editor"
