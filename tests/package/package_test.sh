#!/usr/bin/env bash
# The two Debian packages from end to end, on the real machine:
#   1. builds both .debs from the build tree with cpack and checks their control data:
#      tirvane-resources names no Qt or X11 library, tirvane-editor depends on it;
#   2. installs tirvane-resources ALONE with dpkg (apt-get when dependencies are
#      missing): neither its dependencies, followed to the end, nor the libraries its
#      program loads are Qt or X11; checks the installed layout (links, configuration,
#      conffile, group, workspace), the manual page and bash completion, and runs the
#      command line as an unprivileged member of the group "tirvane" without a display;
#   3. installs tirvane-editor on top and runs it: its arguments, then under a private
#      Xvfb as that member, once from /usr/bin and once from the menu entry's command;
#      the window is found by its exact title, Enter saves the seeded resource into the
#      shared workspace, Escape closes without saving;
#   4. validates both packages with lintian (no error, no warning), the installed desktop
#      entry, AppStream data (pedantic, no issue), icons, copyrights, changelogs and
#      manual pages;
#   5. removes the editor (the command line stays), then the command line (the
#      configuration stays), purges both (the configuration goes) and checks that
#      nothing of them is left but the users' workspace.
#
#   package_test.sh <build dir>
#
# Needs root, because it installs packages; as another user it says so and ends with 77,
# which ctest counts as skipped. It refuses to run when either package is already
# installed, and whatever happens it leaves the machine as it found it: the packages
# purged, and the group and workspace removed again unless they were there before.
# Runs of several build trees take turns through a lock.
set -uo pipefail

# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$0")/session.sh"

readonly build_dir=${1:?usage: package_test.sh <build dir>}
readonly package=tirvane-editor
readonly cli_package=tirvane-resources
readonly packages=("$package" "$cli_package")  # in the order of their removal
readonly group=tirvane
readonly state_dir=/var/lib/tirvane-editor
readonly workspace=$state_dir/workspace
readonly config=/etc/tirvane-editor/TirvOPC.ini
readonly program=/usr/lib/tirvane-editor/tirvane-editor
readonly cli_program=/usr/lib/tirvane-editor/tirvane-resources
readonly desktop_entry=/usr/share/applications/tirvane-editor.desktop
readonly user_path=/usr/local/bin:/usr/bin:/bin

group_existed=no
state_dir_existed=no

package_installed() {  # <package>
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

package_known() {  # <package>
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -qv 'not-installed'
}

# The names of Qt and X11 libraries (and what only they pull in), as packages and as files.
readonly display_packages='^(libqt|qt6-|libx11-|libxcb|libxext|libxrender|libxkb|libgl|libegl|libopengl|libwayland|libfontconfig|libfreetype)'
readonly display_libraries='libQt|libX11|libxcb|libGL|libEGL|libwayland'

cleanup() {
  local code=$?
  stop_sessions
  local name
  for name in "${packages[@]}"; do
    if package_known "$name"; then
      echo "cleanup: purging $name"
      dpkg --purge "$name" >/dev/null 2>&1 || echo "cleanup: could not purge $name"
    fi
  done
  # What a faulty package left behind goes too, as far as the machine did not have it.
  if [ -n "$temp" ] && [ -f "$temp/preexisting" ]; then
    sort -r "$temp/deb-paths" | while read -r path; do
      grep -qxF "$path" "$temp/preexisting" || rm -rf "$path"
    done
  fi
  if [ "$state_dir_existed" = no ] && [ -e "$state_dir" ]; then rm -rf "$state_dir"; fi
  if [ "$group_existed" = no ] && getent group "$group" >/dev/null; then
    delgroup --quiet "$group" >/dev/null 2>&1 || groupdel "$group"
  fi
  [ -n "$temp" ] && rm -rf "$temp"
  if [ "$failures" -ne 0 ]; then
    echo "package test: $failures failure(s)"
    exit 1
  fi
  exit "$code"
}

# Files and folders named after the programs outside the workspace, sorted.
files_named_tirvane() {
  find /etc /usr /opt /var/lib /var/cache -path "$state_dir" -prune -o -name "*tirvane*" \
    -print 2>/dev/null | sort
}

require_tools() {
  local missing=()
  for tool in cpack dpkg dpkg-deb apt-get apt-cache ldd Xvfb xdotool desktop-file-validate appstreamcli \
    lintian man file objdump setpriv flock gzip; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  [ ${#missing[@]} -eq 0 ] || fatal "missing tools: ${missing[*]} (run scripts/install-deps.sh)"
}

# ---------------------------------------------------------------------------------

if [ "$(id -u)" -ne 0 ]; then
  echo "needs root: it installs and purges the packages (CI runs as root); skipped"
  exit 77
fi
trap cleanup EXIT
require_tools
[ -f "$build_dir/CPackConfig.cmake" ] || fatal "no CPackConfig.cmake in $build_dir"

exec 9>/run/lock/tirvane-editor-package-test.lock
flock -w 600 9 || fatal "another package test holds the lock"
for name in "${packages[@]}"; do
  if package_known "$name"; then
    # Not ours to remove: someone installed it on purpose.
    trap - EXIT
    echo "FAIL: $name is installed on this machine; this test installs and purges it," \
      "so purge it before running the test: apt-get purge ${packages[*]}"
    exit 1
  fi
done
getent group "$group" >/dev/null && group_existed=yes
[ -e "$state_dir" ] && state_dir_existed=yes

temp=$(mktemp -d)
chmod 711 "$temp"  # nobody must reach its home inside
mkdir -p "$temp/home/runtime"
chmod 700 "$temp/home/runtime"
chown -R nobody:nogroup "$temp/home"

echo "== building the packages"
cpack --config "$build_dir/CPackConfig.cmake" -B "$temp/deb" >"$temp/cpack.log" 2>&1 ||
  fatal "cpack failed: $(cat "$temp/cpack.log")"
version=$(dpkg-parsechangelog -l "$(dirname "$0")/../../packaging/debian/$package.changelog" -S Version)
deb=$temp/deb/${package}_${version}_$(dpkg --print-architecture).deb
cli_deb=$temp/deb/${cli_package}_${version}_$(dpkg --print-architecture).deb
expect_eq "the .deb files cpack made" "$(printf '%s\n' "$deb" "$cli_deb" | sort)" \
  "$(find "$temp/deb" -maxdepth 1 -name '*.deb' | sort)"
if [ ! -f "$deb" ] || [ ! -f "$cli_deb" ]; then
  fatal "cpack did not make both packages of $version"
fi
for file in "$cli_deb" "$deb"; do
  echo "built $(basename "$file") ($(stat -c %s "$file") bytes)"
done

# One alternative a line.
# shellcheck disable=SC2001  # a pattern with the spaces around each separator
depends_lines() { sed 's/ *[,|] */\n/g' <<<"$1"; }
# Whether a Depends field names a package, with any version or none.
depends_on() {  # <Depends field> <package>
  depends_lines "$1" | awk '{print $1}' | grep -qxF "$2"
}

cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
for needed in adduser libc6 libstdc++6; do
  if depends_on "$cli_depends" "$needed"; then
    pass "$cli_package Depends names $needed"
  else
    fail "$cli_package Depends lacks $needed: $cli_depends"
  fi
done
expect_eq "$cli_package Depends names no Qt or X11 library" "" \
  "$(depends_lines "$cli_depends" | grep -E "$display_packages")"
expect_eq "$cli_package Recommends" "bash-completion" "$(dpkg-deb -f "$cli_deb" Recommends)"
expect_eq "conffiles of $cli_package" "$config" "$(dpkg-deb --ctrl-tarfile "$cli_deb" |
  tar -xO ./conffiles)"
depends=$(dpkg-deb -f "$deb" Depends)
if depends_lines "$depends" | grep -qxF "$cli_package (= $version)"; then
  pass "$package Depends names $cli_package (= $version)"
else
  fail "$package Depends lacks $cli_package (= $version): $depends"
fi
for needed in libqt6widgets6 libqt6gui6 libx11-6 libc6; do
  if depends_on "$depends" "$needed"; then
    pass "$package Depends names $needed"
  else
    fail "$package Depends lacks $needed: $depends"
  fi
done
expect_eq "$package has no maintainer scripts and no conffiles" "./control ./md5sums" \
  "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | tr '\n' ' ' | sed 's/ $//')"

# Each package's own paths, and which of them the machine had before (/usr/bin...).
for name in "$cli_package" "$package"; do
  file=$cli_deb
  [ "$name" = "$package" ] && file=$deb
  dpkg-deb --fsys-tarfile "$file" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' -e '/^$/d' |
    sort >"$temp/deb-paths.$name"
done
sort -u "$temp/deb-paths.$cli_package" "$temp/deb-paths.$package" >"$temp/deb-paths"
: >"$temp/preexisting"
while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then echo "$path" >>"$temp/preexisting"; fi
done <"$temp/deb-paths"

files_named_tirvane >"$temp/named-before"

install_deb() {  # <.deb> <package>
  if ! dpkg -i "$1" >"$temp/install.log" 2>&1; then
    echo "dpkg -i failed, letting apt-get bring the dependencies"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 "$1" \
      >>"$temp/install.log" 2>&1 || fatal "installation failed: $(cat "$temp/install.log")"
  fi
  package_installed "$2" || fatal "$2 is not installed after dpkg -i"
  dpkg -L "$2" | grep -v '^/\.$' | sort >"$temp/dpkg-paths.$2"
  if diff "$temp/deb-paths.$2" "$temp/dpkg-paths.$2" >"$temp/paths.diff"; then
    pass "dpkg -L $2 lists exactly the package's files ($(wc -l <"$temp/dpkg-paths.$2") paths)"
  else
    fail "dpkg -L $2 differs from the package's contents: $(cat "$temp/paths.diff")"
  fi
}

echo "== installing $cli_package alone"
install_deb "$cli_deb" "$cli_package"
if package_known "$package"; then
  fail "installing $cli_package brought $package along"
else
  pass "$cli_package is installed without $package"
fi
# Every package it needs, followed to the end, as apt sees them now that it is installed.
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
  --no-breaks --no-replaces --no-enhances "$cli_package" 2>&1 | grep -E '^[^ <]' | sort -u)
if grep -qxF libc6 <<<"$closure"; then
  pass "apt-cache depends --recurse $cli_package: $(wc -l <<<"$closure") packages"
else
  fail "apt-cache depends --recurse $cli_package gave no libc6: $closure"
fi
expect_eq "Qt or X11 packages among everything $cli_package depends on" "" \
  "$(grep -E "$display_packages" <<<"$closure")"
libraries=$(ldd "$cli_program" 2>&1)
if grep -q 'libc\.so\.6 => /' <<<"$libraries"; then
  pass "ldd $cli_program: $(grep -c '=>' <<<"$libraries") libraries"
else
  fail "ldd $cli_program shows no libc: $libraries"
fi
expect_eq "Qt or X11 libraries that $cli_program loads" "" \
  "$(grep -E "$display_libraries" <<<"$libraries")"

echo "== installed layout of $cli_package"
expect_eq "/usr/bin link of tirvane-resources" "../lib/tirvane-editor/tirvane-resources" \
  "$(readlink /usr/bin/tirvane-resources)"
expect_eq "/usr/bin link resolves to the command line" "$cli_program" \
  "$(realpath /usr/bin/tirvane-resources)"
expect_eq "TirvOPC.ini in the program folder" "$config" \
  "$(readlink /usr/lib/tirvane-editor/TirvOPC.ini)"
expect_eq "configuration" \
  "$(printf '[Settings]\r\nCustomWorkspace=%s\r\n\r\n' "$workspace" | od -c)" \
  "$(od -c <"$config")"
expect_eq "registered conffile" "$config" \
  "$(dpkg-query -W -f='${Conffiles}' "$cli_package" | awk 'NF {print $1}')"
gid=$(getent group "$group" | cut -d: -f3)
if [ -n "$gid" ] && [ "$gid" -lt 1000 ]; then
  pass "system group $group ($gid)"
else
  fail "no system group $group (gid '$gid')"
fi
if [ "$state_dir_existed" = no ]; then
  expect_eq "workspace owner, group and mode" "root:$group 2775" \
    "$(stat -c '%U:%G %a' "$workspace")"
fi
expect_eq "the command line's sections .comment and .note (stripped)" "" \
  "$(objdump -h "$cli_program" | awk '$2 == ".comment" || $2 == ".note" {print $2}')"
expect_eq "man -w finds its manual" "/usr/share/man/man1/tirvane-resources.1.gz" \
  "$(man -w 1 tirvane-resources)"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
  /usr/share/man/man1/tirvane-resources.1.gz 2>&1 >/dev/null)
expect_eq "its man --warnings output" "" "$warnings"
expect_eq "its bash completion" "regular file" \
  "$(stat -c %F /usr/share/bash-completion/completions/tirvane-resources 2>&1)"
readonly schema=/usr/share/tirvane-resources/tirvane-resources.schema.json
readonly module=/usr/share/ansible/plugins/modules/tirvane_resource.py
expect_eq "its JSON Schema" "regular file 644" "$(stat -c '%F %a' "$schema" 2>&1)"
expect_eq "the schema is JSON of draft 2020-12" "https://json-schema.org/draft/2020-12/schema" \
  "$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["$schema"])' "$schema" 2>&1)"
expect_eq "its Ansible module" "regular file 644" "$(stat -c '%F %a' "$module" 2>&1)"
expect_eq "its Ansible module begins with no #! line" "no" \
  "$([ "$(head -c 2 "$module")" = '#!' ] && echo yes || echo no)"
if command -v ansible-doc >/dev/null; then
  # Ansible finds the module where the package puts it, with no setting of its own.
  expect_eq "ansible-doc finds tirvane_resource" "> TIRVANE_RESOURCE" \
    "$(ANSIBLE_LOCAL_TEMP="$temp/ansible" HOME="$temp" ansible-doc tirvane_resource 2>&1 |
      grep -o '^> TIRVANE_RESOURCE')"
else
  echo "SKIP: ansible-doc is not installed; the module's documentation is not read"
fi

echo "== the installed command line, without a display"
# A resource in the shared workspace, written the way a hand editor might leave it.
printf '[GeneralSettings]\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\n\n[Online]\nComTeleLength=256\nComPort=V24 2 9600 8 1 2 2000 0\n' \
  >"$workspace/Line1.opc"
chown root:"$group" "$workspace/Line1.opc"
chmod 644 "$workspace/Line1.opc"
# An unprivileged member of the group, in a clean environment.
member=(setpriv --reuid=nobody --regid=nogroup --groups="$gid"
  env -i HOME="$temp/home" XDG_RUNTIME_DIR="$temp/home/runtime" PATH="$user_path"
  LANG=C.UTF-8)
# The member, on the workspace the configuration under /etc names.
listed=$("${member[@]}" /usr/bin/tirvane-resources list 2>&1)
expect_eq "list as a member" "$(printf 'Line1\tLine1.opc\tCOM2\t9600\t8\t1\tEven\t2000\t\tBig Endian')" "$listed"
expect_eq "set as a member" "changed" \
  "$("${member[@]}" /usr/bin/tirvane-resources set Line1 baud=19200 2>/dev/null)"
expect_eq "the set resource" "ComPort=V24 2 19200 8 1 2 2000 0" \
  "$(grep -a ComPort "$workspace/Line1.opc" | tr -d '\r')"
expect_eq "the set resource's owner and group" "nobody:$group" \
  "$(stat -c '%U:%G' "$workspace/Line1.opc")"
if command -v ansible >/dev/null; then
  # The installed module runs the installed command line on the configured workspace.
  before=$(od -c <"$workspace/Line1.opc")
  adhoc=$(HOME="$temp" ANSIBLE_LOCAL_TEMP="$temp/ansible" ANSIBLE_REMOTE_TEMP="$temp/ansible" \
    TIRVANE_LOG_SOCKET=- ansible all -i localhost, -c local \
    -e ansible_python_interpreter=/usr/bin/python3 \
    -m tirvane_resource -a 'name=Line1 baud=19200 parity=Even' 2>"$temp/ansible.err")
  expect_eq "the installed Ansible module on a resource that holds its values" \
    'localhost | SUCCESS => { "changed": false,' \
    "$(tr -d '\n' <<<"$adhoc" | sed -E 's/ +/ /g; s/("changed": (true|false),).*/\1/')"
  expect_eq "the resource it left as it was" "$before" "$(od -c <"$workspace/Line1.opc")"
else
  echo "SKIP: ansible is not installed; the installed module is not run"
fi

echo "== installing $package on top"
install_deb "$deb" "$package"
expect_eq "/usr/bin link" "../lib/tirvane-editor/tirvane-editor" "$(readlink /usr/bin/$package)"
expect_eq "/usr/bin link resolves to the program" "$program" "$(realpath /usr/bin/$package)"
expect_eq "the program's sections .comment and .note (stripped)" "" \
  "$(objdump -h "$program" | awk '$2 == ".comment" || $2 == ".note" {print $2}')"
expect_eq "the configuration stays $cli_package's conffile" "$config" \
  "$(dpkg-query -S "$config" 2>&1 | sed "s/^$cli_package: //")"

echo "== arguments of the installed program"
version_out=$(env -u DISPLAY /usr/bin/$package --version 2>&1)
expect_eq "--version exit code" 0 $?
expect_eq "--version names the package's version" \
  "tirvane-editor $(dpkg-query -W -f='${Version}' "$package" | sed 's/-[^-]*$//')" "$version_out"
env -u DISPLAY /usr/bin/$package --help >"$temp/help.out" 2>&1
expect_eq "--help exit code without a display" 0 $?
expect_eq "--help first line" "Usage: tirvane-editor [--workspace DIR | --help | --version]" \
  "$(head -n 1 "$temp/help.out")"
expect_eq "--help names the configuration under /etc" \
  "$(printf '  %s\n(through the link /usr/lib/tirvane-editor/TirvOPC.ini)' "$config")" \
  "$(sed -n '5,6p' "$temp/help.out")"
refusal=$(/usr/bin/$package --frobnicate 2>&1 >/dev/null)
expect_eq "other argument exit code" 2 $?
expect_eq "other argument message" \
  'tirvane-editor: unknown argument "--frobnicate" (try --help)' "$refusal"

echo "== validators"
# lintian as an ordinary user (it refuses nothing as root, but says it should not run so),
# from a folder that user may enter: the checkout may lie in one only its owner can.
for file in "$cli_deb" "$deb"; do
  cp "$file" "$temp/home/package.deb"
  chown nobody:nogroup "$temp/home/package.deb"
  lintian_out=$(cd "$temp/home" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$temp/home" PATH="$user_path" LANG=C.UTF-8 \
    lintian --info --display-info "$temp/home/package.deb" 2>&1)
  lintian_code=$?
  if [ $lintian_code -eq 0 ] && ! grep -qE '^[EW]: ' <<<"$lintian_out"; then
    pass "lintian --info --display-info $(basename "$file"): no error, no warning"
    grep -E '^[EWIPOX]: ' <<<"$lintian_out" | sed 's/^/      /'
  else
    fail "lintian on $(basename "$file") (exit code $lintian_code): $lintian_out"
  fi
done
# The menu entry's icon name leads to the theme's images.
icon_name=$(sed -n 's/^Icon=//p' "$desktop_entry")
for size in 16 32 48 64 128 256; do
  icon=/usr/share/icons/hicolor/${size}x${size}/apps/$icon_name.png
  expect_eq "icon $icon" "PNG image data, $size x $size" "$(file -b "$icon" | cut -d, -f1,2)"
done
icon=/usr/share/icons/hicolor/scalable/apps/$icon_name.svg
expect_eq "icon $icon" "SVG Scalable Vector Graphics image" "$(file -b "$icon")"
for name in "$cli_package" "$package"; do
  docs=/usr/share/doc/$name
  expect_eq "$name: copyright format" \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
    "$(head -n 1 "$docs/copyright")"
  expect_eq "$name: the changelog's newest entry is the package's" \
    "$name $(dpkg-query -W -f='${Version}' "$name")" \
    "$(dpkg-parsechangelog -l "$docs/changelog.Debian.gz" -S Source 2>&1) $(
      dpkg-parsechangelog -l "$docs/changelog.Debian.gz" -S Version 2>&1)"
  expect_eq "$name: the changelog is compressed without name or time" \
    "gzip compressed data, max compression, from Unix" \
    "$(file -b "$docs/changelog.Debian.gz" | cut -d, -f1-3)"
done
if out=$(desktop-file-validate "$desktop_entry" 2>&1) && [ -z "$out" ]; then
  pass "desktop-file-validate $desktop_entry"
else
  fail "desktop-file-validate: $out"
fi
metainfo=$(grep -l "<launchable type=\"desktop-id\">$package.desktop<" \
  /usr/share/metainfo/*.metainfo.xml)
# Every issue counts, the pedantic ones too; the network is not asked (the screenshot's
# address is not looked up).
out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1)
code=$?
if [ $code -eq 0 ] && ! grep -qE '^[EWIP]: ' <<<"$out"; then
  pass "appstreamcli validate --pedantic --no-net $metainfo: $(tail -n 1 <<<"$out")"
else
  fail "appstreamcli validate --pedantic (exit code $code): $out"
fi
expect_eq "man -w finds the manual" "/usr/share/man/man1/$package.1.gz" "$(man -w 1 $package)"
expect_eq "the manual is compressed" "gzip compressed data" \
  "$(file -b /usr/share/man/man1/$package.1.gz | cut -d, -f1)"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
  "/usr/share/man/man1/$package.1.gz" 2>&1 >/dev/null)
expect_eq "man --warnings output" "" "$warnings"

echo "== the installed editor under Xvfb"
start_xvfb
# The resource again as a hand editor might leave it, with a baud rate the editor does not
# offer: the window shows it as it is, and the OK of Return leaves the file byte for byte.
printf '[GeneralSettings]\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\n\n[Online]\nComTeleLength=256\nComPort=V24 2 14400 8 1 2 2000 0\n' \
  >"$workspace/Line1.opc"
chown root:"$group" "$workspace/Line1.opc"
chmod 644 "$workspace/Line1.opc"

member+=(DISPLAY="$DISPLAY")
original=$(od -c <"$workspace/Line1.opc")
run_editor_session "started as /usr/bin/$package" Return "${member[@]}" TIRVANE_EDITOR_TRACE=1 \
  /usr/bin/$package
expect_eq "the boxes it showed" "" "$(grep 'message box' "$temp/editor.log")"
expect_eq "a resource nobody changed keeps its bytes" "$original" \
  "$(od -c <"$workspace/Line1.opc")"
expect_eq "and its owner and group" "root:$group" "$(stat -c '%U:%G' "$workspace/Line1.opc")"
expect_eq "nothing else in the workspace" "Line1.opc" "$(ls -A "$workspace")"

exec_line=$(sed -n 's/^Exec=//p' "$desktop_entry")
# Field codes (%f, %U...) expand to nothing when no file is given.
# shellcheck disable=SC2001
read -r -a exec_words <<<"$(sed 's/ %[fFuUdDnNickvm]//g' <<<"$exec_line")"
exec_program=$(PATH=$user_path command -v "${exec_words[0]}")
expect_eq "the menu entry's command is the installed program" "$program" \
  "$(realpath "$exec_program")"
before=$(od -c <"$workspace/Line1.opc")
run_editor_session "started by the menu entry ($exec_line)" Escape "${member[@]}" "${exec_words[@]}"
expect_eq "Escape left the resource as it was" "$before" "$(od -c <"$workspace/Line1.opc")"
stop_sessions
# The command line beside the editor reads what the editor saved.
expect_eq "list as a member, after the editor" \
  "$(printf 'Line1\tLine1.opc\tCOM2\t14400\t8\t1\tEven\t2000\t\tBig Endian')" \
  "$("${member[@]}" /usr/bin/tirvane-resources list 2>&1)"

echo "== removing"
if dpkg -r "$cli_package" >"$temp/remove.log" 2>&1; then
  fail "dpkg -r $cli_package went ahead while $package depends on it"
else
  pass "dpkg -r $cli_package is refused while $package depends on it"
fi
package_installed "$cli_package" || fatal "$cli_package is gone after a refused removal"
dpkg -r "$package" >"$temp/remove.log" 2>&1 || fail "dpkg -r $package: $(cat "$temp/remove.log")"
if [ -e /usr/bin/$package ] || [ -e "$program" ]; then
  fail "dpkg -r $package left the program"
else
  pass "dpkg -r $package removed the program"
fi
expect_eq "the command line stays, and works, without the editor" "changed" \
  "$("${member[@]}" /usr/bin/tirvane-resources set Line1 baud=38400 2>/dev/null)"
dpkg -r "$cli_package" >"$temp/remove.log" 2>&1 ||
  fail "dpkg -r $cli_package: $(cat "$temp/remove.log")"
if [ -e /usr/bin/tirvane-resources ] || [ -e "$cli_program" ]; then
  fail "dpkg -r $cli_package left the command line"
else
  pass "dpkg -r $cli_package removed the command line"
fi
if [ -f "$config" ]; then
  pass "dpkg -r kept the configuration"
else
  fail "dpkg -r removed $config"
fi

echo "== purging"
for name in "${packages[@]}"; do
  dpkg --purge "$name" >"$temp/purge.log" 2>&1 || fail "dpkg --purge $name: $(cat "$temp/purge.log")"
  if package_known "$name"; then
    fail "dpkg still knows $name after the purge"
  else
    pass "$name purged"
  fi
done
left=()
while read -r path; do
  grep -qxF "$path" "$temp/preexisting" && continue
  if [ -e "$path" ] || [ -L "$path" ]; then left+=("$path"); fi
done < <(sort -u "$temp/dpkg-paths.$cli_package" "$temp/dpkg-paths.$package")
expect_eq "paths of dpkg -L left after the purge" "" "${left[*]}"
files_named_tirvane >"$temp/named-after"
expect_eq "new files named after the programs" "" \
  "$(comm -13 "$temp/named-before" "$temp/named-after")"
expect_eq "the users' workspace stays with its resource" "Line1.opc" "$(ls -A "$workspace")"

echo "package test: done, $failures failure(s)"
