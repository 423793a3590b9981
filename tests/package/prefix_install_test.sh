#!/usr/bin/env bash
# `cmake --install` without the package, into a prefix of its own (as into a home
# folder), as anyone:
#   1. the layout: the program folder with its TirvOPC.ini link, the relative link in
#      bin, the configuration naming the prefix's own workspace, which exists;
#   2. the installed editor, started through the bin link under a private Xvfb, finds
#      its workspace and saves a resource into it;
#   3. installing again keeps a changed configuration and the workspace;
#   4. removing the files of the install manifest leaves only the workspace;
#   5. with DESTDIR and the prefix /opt/<name>, the configuration and the workspace
#      move below /etc/opt and /var/opt, and the "editor" component alone (what the
#      package holds) makes no workspace.
#
#   prefix_install_test.sh <build dir>
set -uo pipefail

# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$0")/session.sh"

readonly build_dir=${1:?usage: prefix_install_test.sh <build dir>}

cleanup() {
  local code=$?
  stop_sessions
  [ -n "$temp" ] && rm -rf "$temp"
  if [ "$failures" -ne 0 ]; then
    echo "prefix install test: $failures failure(s)"
    exit 1
  fi
  exit "$code"
}
trap cleanup EXIT

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || fatal "missing $tool (run scripts/install-deps.sh)"
done
temp=$(mktemp -d)
prefix=$temp/prefix
workspace=$prefix/var/lib/tirvane-editor/workspace
config=$prefix/etc/tirvane-editor/TirvOPC.ini

install_into() {  # <log> <cmake --install arguments...>
  local log=$1
  shift
  cmake --install "$build_dir" "$@" >"$log" 2>&1 || fatal "cmake --install $*: $(cat "$log")"
}

echo "== layout"
install_into "$temp/install.log" --prefix "$prefix"
expect_eq "bin link" "../lib/tirvane-editor/tirvane-editor" \
  "$(readlink "$prefix/bin/tirvane-editor")"
expect_eq "TirvOPC.ini in the program folder" "$config" \
  "$(readlink "$prefix/lib/tirvane-editor/TirvOPC.ini")"
expect_eq "configuration" \
  "$(printf '[Settings]\r\nCustomWorkspace=%s\r\n\r\n' "$workspace" | od -c)" "$(od -c <"$config")"
expect_eq "workspace" "directory" "$(stat -c %F "$workspace" 2>&1)"
for file in share/applications/tirvane-editor.desktop share/man/man1/tirvane-editor.1.gz \
  share/icons/hicolor/16x16/apps/tirvane-editor.png \
  share/icons/hicolor/32x32/apps/tirvane-editor.png \
  share/icons/hicolor/48x48/apps/tirvane-editor.png; do
  expect_eq "$file" "regular file" "$(stat -c %F "$prefix/$file" 2>&1)"
done
expect_eq "AppStream data" 1 "$(find "$prefix/share/metainfo" -name '*.metainfo.xml' | wc -l)"

echo "== the installed editor under Xvfb"
start_xvfb
# An adaptation the editor does not know: the window shows Little Endian, so the OK of
# Return writes that, and the save shows in the file.
printf '[GeneralSettings]\nAdaptationComponent=QB.OPC.AdaptTIRV3x.XX.20\n\n[Online]\nComTeleLength=1428\nComPort=SIM SimHost.dll Vsim2.Vsim2\n' \
  >"$workspace/Sim2.opc"
run_editor_session "started through the bin link" Return \
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/tirvane-editor"
expect_eq "saved resource" \
  "$(printf '[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n[Online]\r\nComTeleLength=1428\r\nComPort=SIM SimHost.dll Vsim2.Vsim2\r\n\r\n' | od -c)" \
  "$(od -c <"$workspace/Sim2.opc")"
stop_sessions

echo "== installing again"
printf '[Settings]\r\nCustomWorkspace=./elsewhere\r\n' >"$config"
install_into "$temp/reinstall.log" --prefix "$prefix"
expect_eq "a changed configuration stays" \
  "$(printf '[Settings]\r\nCustomWorkspace=./elsewhere\r\n' | od -c)" "$(od -c <"$config")"
expect_eq "the workspace stays" "Sim2.opc" "$(ls -A "$workspace")"

echo "== removing by the install manifest"
manifest=$build_dir/install_manifest.txt
for path in "$config" "$prefix/lib/tirvane-editor/TirvOPC.ini" "$prefix/bin/tirvane-editor"; do
  if grep -qxF "$path" "$manifest"; then pass "manifest lists $path"; else fail "manifest lacks $path"; fi
done
if grep -q "^$workspace" "$manifest"; then fail "manifest lists the workspace"; fi
xargs -d '\n' rm -f <"$manifest"
expect_eq "left after removal" "$workspace/Sim2.opc" \
  "$(find "$prefix" \( -type f -o -type l \) -print)"

echo "== DESTDIR and /opt"
DESTDIR=$temp/stage install_into "$temp/stage.log" --prefix /opt/tirvane --component editor
expect_eq "configuration below /etc/opt" \
  "$(printf '[Settings]\r\nCustomWorkspace=/var/opt/tirvane/lib/tirvane-editor/workspace\r\n\r\n' | od -c)" \
  "$(od -c <"$temp/stage/etc/opt/tirvane/tirvane-editor/TirvOPC.ini")"
expect_eq "TirvOPC.ini link below /opt" "/etc/opt/tirvane/tirvane-editor/TirvOPC.ini" \
  "$(readlink "$temp/stage/opt/tirvane/lib/tirvane-editor/TirvOPC.ini")"
expect_eq "nothing staged beside /etc and /opt (no workspace)" "" \
  "$(find "$temp/stage" -mindepth 1 -maxdepth 1 ! -name etc ! -name opt)"

echo "prefix install test: done, $failures failure(s)"
