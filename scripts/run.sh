#!/usr/bin/env bash
# Installs what is missing, builds the editor and opens it on the sample workspace
# that lies beside the built executable. Without a display it says so in one line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: run it on a desktop, or as 'xvfb-run scripts/run.sh', or with QT_QPA_PLATFORM=vnc and a VNC viewer on port 5900." >&2
  exit 1
fi
"$root/scripts/install-deps.sh" >/dev/null
"$root/scripts/build.sh" release >/dev/null
exec "$root/build/release/src/framework/tirvane-editor"
