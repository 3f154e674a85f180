#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: quiet and quick when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  gcc-multilib g++-multilib
  libgtk-3-dev libwebkit2gtk-4.1-dev bubblewrap xdg-dbus-proxy
  libdw-dev elfutils
  libgtest-dev libgmock-dev googletest libbenchmark-dev libpugixml-dev libxml2-dev libarchive-dev
  xvfb xauth xdotool x11-utils imagemagick poppler-utils zip
  dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
  python3 fonts-dejavu-core
  desktop-file-utils appstream librsvg2-bin dpkg-dev file
  weston
  hunspell-en-us
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
