#!/usr/bin/env bash
# Takes a picture of the editor, with its title bar, open on the bundled sample
# workspace: builds the editor if needed, runs a copy of it under a private Xvfb with a
# small window manager, and saves the window as a PNG (default docs/screenshot.png).
# The samples themselves stay untouched.
set -euo pipefail
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/screenshot.sh [file.png]   (default docs/screenshot.png)"
    echo "Pictures the editor window, title bar included, on the sample workspace."
    exit 0 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/docs/screenshot.png"}
build="$root/build/release"
editor="$build/src/gui/tirvane-editor"

if [ -f "$build/build.ninja" ]; then
  cmake --build "$build" --target tirvane-editor >/dev/null
else
  "$root/scripts/build.sh" release >/dev/null
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A program folder of its own: the editor, its TirvOPC.ini and the sample workspace.
cp "$editor" "$work/tirvane-editor"
cp "$root/samples/TirvOPC.ini" "$work/"
cp -r "$root/samples/workspace" "$work/workspace"

# Xvfb picks a free display and writes its number to the descriptor it is given.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 800x500x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "screenshot: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
  exit 1
fi
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
# Started before the window manager is ready, the window could wait unmapped.
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

QT_STYLE_OVERRIDE=Fusion "$work/tirvane-editor" >"$work/editor.log" 2>&1 &
pids+=($!)

title='Tirvane OPC-Server 2.0 Resource Editor'
window=""
for _ in $(seq 300); do
  window=$(xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshot: the editor window did not appear: $(cat "$work/editor.log")" >&2
  exit 1
fi
# The title bar is there once the window manager has put the window into its frame.
root_window=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
for _ in $(seq 50); do
  parent=$(xwininfo -tree -id "$window" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
  [ -n "$parent" ] && [ "$parent" != "$root_window" ] && break
  sleep 0.1
done
sleep 0.3  # the frame's first paint
mkdir -p "$(dirname "$out")"
import -frame -window "$window" "$out"
echo "screenshot: $out"
