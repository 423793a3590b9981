#!/usr/bin/env bash
# Installs the Debian packages that the project needs, by group, and says what it
# installs. Safe to run again; uses sudo when not run as root.
#   run   building and running the editor and the command line (scripts/run.sh)
#   test  everything: the run group, and what the tests, benchmarks, fuzzing, packaging
#         and the validators need (scripts/test.sh); the default
set -euo pipefail
usage() {
  cat <<USAGE
usage: scripts/install-deps.sh [run|test]
Installs the Debian packages that are missing (apt-get; sudo when not root):
  run   what building and running the editor and the command line need
  test  everything: also the tests, benchmarks, fuzzing, packaging and validators (default)
USAGE
}
case "${1:-}" in
  -h | --help)
    usage
    exit 0 ;;
  "" | run | test) ;;
  *)
    usage >&2
    exit 2 ;;
esac
group=${1:-test}

run_packages=(
  # compilers, CMake and its generator; dpkg-dev gives dpkg-buildflags, Debian's
  # hardening flags, with which the editor and the command line are built
  build-essential cmake ninja-build pkg-config dpkg-dev
  # the dialog framework and the window lookup
  qt6-base-dev qt6-base-dev-tools libx11-dev
  # access control lists of the workspace's files
  libacl1-dev
  # a font for the dialog's texts
  fonts-dejavu-core
)
test_packages=(
  git
  # tests, benchmarks, fuzzing, formatting
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  libinih-dev libsimpleini-dev
  # the real executable under a virtual display
  xvfb xauth xdotool xclip x11-utils imagemagick
  # a small window manager, so that the screenshot shows the title bar
  openbox
  # privilege dropping for permission tests, and the test users they make; setfacl and
  # getfacl for the tests of access control lists
  util-linux passwd acl
  # the tests of the Ansible module, and the JSON outputs checked against their schema
  ansible-core python3-jsonschema
  # packaging and its validators; the package's maintainer scripts use adduser; xmllint
  # reads ctest's JUnit results
  file desktop-file-utils appstream man-db adduser lintian libxml2-utils
)

packages=("${run_packages[@]}")
[ "$group" = test ] && packages+=("${test_packages[@]}")

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: the packages of the $group group are all present"
  exit 0
fi

echo "install-deps: installing ${#missing[@]} packages of the $group group (and what they need):"
echo "install-deps:   ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: apt-get update"
"${sudo_cmd[@]}" apt-get update -q
# -q keeps apt's lines of what it fetches, unpacks and sets up, without progress bars.
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: done"
