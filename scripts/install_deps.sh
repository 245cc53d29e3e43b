#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing. Run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libsqlite3-dev sqlite3
  libfltk1.3-dev libfontconfig-dev fonts-liberation
  libgtest-dev googletest
  xvfb xauth openbox xdotool x11-utils xclip wmctrl fontconfig imagemagick
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 libsqliteodbc:i386 unixodbc:i386
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
