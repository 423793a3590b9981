#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking, fuzzing and
# packaging the editor needs. Safe to run again; uses sudo when not run as root.
set -euo pipefail
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/install-deps.sh"
    echo "Installs the Debian packages that are missing (apt-get; sudo when not root)."
    exit 0 ;;
esac

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # the dialog framework and the window lookup
  qt6-base-dev qt6-base-dev-tools libx11-dev
  # tests, benchmarks, fuzzing
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  libinih-dev libsimpleini-dev
  # the real executable under a virtual display
  xvfb xauth xdotool xclip x11-utils imagemagick fonts-dejavu-core
  # a small window manager, so that the screenshot shows the title bar
  openbox
  # privilege dropping for permission tests, and the test users they make
  util-linux passwd
  # packaging and its validators; the package's maintainer scripts use adduser
  dpkg-dev file desktop-file-utils appstream man-db adduser lintian
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
