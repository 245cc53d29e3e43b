#!/usr/bin/env bash
# Makes a release of the committed HEAD in build/release/:
#
#   upgrade405-<version>-windows-i686.zip   the Windows product and its LISEZMOI.txt
#   upgrade405_<version>_amd64.deb          the Debian package (scripts/package.sh)
#   SHA256SUMS                              both files' SHA-256, as `sha256sum -c` reads them
#
#   bash scripts/release.sh
#
# The same commit gives the same bytes, wherever and whenever it is built: every time comes from
# SOURCE_DATE_EPOCH, the commit's date, and no build path reaches a binary. To prove it for the
# Windows product, it is built twice, here and in a copy of the commit in another folder, and
# the two must be identical; the release stops on any difference. Run as root on a checkout
# without changes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install_deps.sh release

if [ -n "$(git status --porcelain)" ]; then
  echo "release.sh: the checkout has changes or files git does not track; a release is made" \
    "from a commit" >&2
  git status --short >&2
  exit 1
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
export TZ=UTC
jobs=$(nproc)
out=$root/build/release
echo "release.sh: $(git log -1 --format='%h (%cd)' --date=iso-strict-local)"

# The product in SRC/build/windows-i686, linked anew so that its header carries this time stamp.
build_product() {  # build_product SRC
  (cd "$1" && cmake --preset windows-i686 >/dev/null)
  rm -f "$1/build/windows-i686/upgrade405.exe"
  cmake --build "$1/build/windows-i686" -j"$jobs" --target upgrade405
}

echo "=== the Windows product (windows-i686)"
build_product "$root"
exe=$root/build/windows-i686/upgrade405.exe

echo "=== the same commit again, in another folder"
twin=$(mktemp -d)
trap 'rm -rf "$twin"' EXIT
git archive HEAD | tar -x -C "$twin"
sleep 1  # another second for anything that would read the clock
build_product "$twin"
rm -rf "$out"
mkdir -p "$out"
if ! cmp "$exe" "$twin/build/windows-i686/upgrade405.exe"; then
  cp "$twin/build/windows-i686/upgrade405.exe" "$out/upgrade405.exe.twin"
  echo "release.sh: the same commit built in two folders gives two different upgrade405.exe:" \
    "$exe and $out/upgrade405.exe.twin; see how with \`diffoscope A B\` (Debian package" \
    "diffoscope)" >&2
  exit 1
fi
echo "identical: $(sha256sum "$exe")"

echo "=== the Debian package"
bash scripts/package.sh
cp build/package/upgrade405_*.deb "$out/"

echo "=== the Windows archive"
bash scripts/windows_archive.sh build/windows-i686 "$out" >/dev/null

# No build folder may show in what is shipped: neither this checkout's nor the twin's.
unpacked=$twin/unpacked
mkdir -p "$unpacked"
dpkg-deb --extract "$out"/upgrade405_*.deb "$unpacked"
cp "$exe" "$unpacked/"
if grep -rlF -e "$root" -e "$twin" "$unpacked"; then
  echo "release.sh: the files above hold a build path" >&2
  exit 1
fi

(cd "$out" && sha256sum -- *.zip *.deb >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "=== $out"
(cd "$out" && ls -l && cat SHA256SUMS)
