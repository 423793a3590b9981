#!/usr/bin/env bash
# `cmake --install` without the package, into a prefix of its own (as into a home
# folder), as anyone:
#   1. the layout: the program folder with its TirvOPC.ini link, the relative link in
#      bin, the configuration naming the prefix's own workspace, which exists;
#   2. the installed editor, started through the bin link under a private Xvfb, finds
#      its workspace and saves a resource into it;
#   3. installing again keeps a changed configuration and the workspace;
#   4. removing the files of the install manifest, then the folders left empty (the
#      README's command), leaves only the workspace;
#   5. with DESTDIR and the prefix /opt/<name>, the configuration and the workspace
#      move below /etc/opt and /var/opt, and the components "resources" and "editor"
#      alone (what the packages hold) make no workspace.
#
# It installs component by component, every component the build has, so that the build
# tree's install_manifest.txt stays the one of the user's own `cmake --install`.
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

# Every install component that a plain `cmake --install` installs, from the install
# scripts (a component it leaves out is installed only when named).
mapfile -t components < <(find "$build_dir" -name cmake_install.cmake -exec \
  grep -ohE 'CMAKE_INSTALL_COMPONENT STREQUAL "[^"]+" OR NOT CMAKE_INSTALL_COMPONENT' {} + |
  cut -d'"' -f2 | sort -u)
[ ${#components[@]} -gt 0 ] || fatal "no install components in $build_dir"

# Installs the given components (default: all) and collects their manifests in
# $temp/manifest, as the whole install would write install_manifest.txt.
install_into() {  # <log> <cmake --install arguments...>
  local log=$1 component
  shift
  : >"$temp/manifest"
  for component in "${components[@]}"; do
    cmake --install "$build_dir" --component "$component" "$@" >>"$log" 2>&1 ||
      fatal "cmake --install --component $component $*: $(cat "$log")"
    cat "$build_dir/install_manifest_$component.txt" >>"$temp/manifest"
    echo >>"$temp/manifest"
  done
  sed -i '/^$/d' "$temp/manifest"
}

manifest_before=$(stat -c '%Y %s' "$build_dir/install_manifest.txt" 2>/dev/null || echo none)

echo "== layout"
expect_eq "install components" "editor resources workspace" "${components[*]}"
install_into "$temp/install.log" --prefix "$prefix"
expect_eq "bin link" "../lib/tirvane-editor/tirvane-editor" \
  "$(readlink "$prefix/bin/tirvane-editor")"
expect_eq "TirvOPC.ini in the program folder" "$config" \
  "$(readlink "$prefix/lib/tirvane-editor/TirvOPC.ini")"
expect_eq "configuration" \
  "$(printf '[Settings]\r\nCustomWorkspace=%s\r\n\r\n' "$workspace" | od -c)" "$(od -c <"$config")"
expect_eq "workspace" "directory" "$(stat -c %F "$workspace" 2>&1)"
expect_eq "bin link of tirvane-resources" "../lib/tirvane-editor/tirvane-resources" \
  "$(readlink "$prefix/bin/tirvane-resources")"
for file in share/applications/tirvane-editor.desktop share/man/man1/tirvane-editor.1.gz \
  share/man/man1/tirvane-resources.1.gz share/bash-completion/completions/tirvane-resources \
  share/doc/tirvane-editor/copyright share/doc/tirvane-resources/copyright \
  share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/tirvane-editor.png \
  share/icons/hicolor/scalable/apps/tirvane-editor.svg; do
  expect_eq "$file" "regular file" "$(stat -c %F "$prefix/$file" 2>&1)"
done
expect_eq "AppStream data" 1 "$(find "$prefix/share/metainfo" -name '*.metainfo.xml' | wc -l)"

echo "== the installed editor under Xvfb"
start_xvfb
# An adaptation the editor does not know: open and Return (the OK command) keep it.
printf '[GeneralSettings]\nAdaptationComponent=QB.OPC.AdaptTIRV3x.XX.20\n\n[Online]\nComTeleLength=1428\nComPort=SIM SimHost.dll Vsim2.Vsim2\n' \
  >"$workspace/Sim2.opc"
original=$(od -c <"$workspace/Sim2.opc")
run_editor_session "started through the bin link" Return \
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TIRVANE_EDITOR_TRACE=1 "$prefix/bin/tirvane-editor"
# No box: it found its configuration, its workspace and a resource it could read there.
expect_eq "the boxes it showed" "" "$(grep 'message box' "$temp/editor.log")"
expect_eq "a resource nobody changed keeps its bytes" "$original" "$(od -c <"$workspace/Sim2.opc")"
stop_sessions

echo "== installing again"
printf '[Settings]\r\nCustomWorkspace=./elsewhere\r\n' >"$config"
install_into "$temp/reinstall.log" --prefix "$prefix"
expect_eq "a changed configuration stays" \
  "$(printf '[Settings]\r\nCustomWorkspace=./elsewhere\r\n' | od -c)" "$(od -c <"$config")"
expect_eq "the workspace stays" "Sim2.opc" "$(ls -A "$workspace")"

echo "== removing by the install manifest"
manifest=$temp/manifest
for path in "$config" "$prefix/lib/tirvane-editor/TirvOPC.ini" "$prefix/bin/tirvane-editor"; do
  if grep -qxF "$path" "$manifest"; then pass "manifest lists $path"; else fail "manifest lacks $path"; fi
done
if grep -q "^$workspace" "$manifest"; then fail "manifest lists the workspace"; fi
# The README's two commands: the files, then the folders they leave empty.
xargs -d '\n' rm -f <"$manifest"
xargs -d '\n' -n 1 dirname <"$manifest" | sort -ru |
  xargs -d '\n' rmdir -p --ignore-fail-on-non-empty 2>"$temp/rmdir.log"
expect_eq "the folder removal's complaints" "" "$(cat "$temp/rmdir.log")"
expect_eq "left after removal" \
  "$(printf '%s\n' "$prefix" "$prefix/var" "$prefix/var/lib" "$prefix/var/lib/tirvane-editor" \
    "$workspace" "$workspace/Sim2.opc")" \
  "$(find "$prefix" | LC_ALL=C sort)"
expect_eq "the build tree's install_manifest.txt is untouched" "$manifest_before" \
  "$(stat -c '%Y %s' "$build_dir/install_manifest.txt" 2>/dev/null || echo none)"

echo "== DESTDIR and /opt"
for component in resources editor; do
  DESTDIR=$temp/stage cmake --install "$build_dir" --prefix /opt/tirvane --component "$component" \
    >>"$temp/stage.log" 2>&1 || fatal "cmake --install with DESTDIR: $(cat "$temp/stage.log")"
done
expect_eq "configuration below /etc/opt" \
  "$(printf '[Settings]\r\nCustomWorkspace=/var/opt/tirvane/lib/tirvane-editor/workspace\r\n\r\n' | od -c)" \
  "$(od -c <"$temp/stage/etc/opt/tirvane/tirvane-editor/TirvOPC.ini")"
expect_eq "TirvOPC.ini link below /opt" "/etc/opt/tirvane/tirvane-editor/TirvOPC.ini" \
  "$(readlink "$temp/stage/opt/tirvane/lib/tirvane-editor/TirvOPC.ini")"
expect_eq "nothing staged beside /etc and /opt (no workspace)" "" \
  "$(find "$temp/stage" -mindepth 1 -maxdepth 1 ! -name etc ! -name opt)"

echo "prefix install test: done, $failures failure(s)"
