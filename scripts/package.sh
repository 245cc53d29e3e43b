#!/usr/bin/env bash
# Makes the Debian package of the Linux program, build/package/upgrade405_<version>_<arch>.deb,
# from a Release build of the program alone in build/package, and checks it with lintian.
#
#   bash scripts/package.sh
#
# Install it with `apt-get install ./build/package/upgrade405_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh package

# Debian's build flags: fortified functions, stack protector, read-only relocations.
flags() { dpkg-buildflags --get "$1"; }
cmake --preset package \
  -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build --preset package -j"$(nproc)"

rm -f build/package/*.deb
cpack --preset package >/dev/null
deb=$(echo build/package/upgrade405_*.deb)
[ -f "$deb" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }

echo "=== $deb"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
echo "=== lintian"
lintian --fail-on error "$deb"

# The package's own program, unpacked into a temporary folder, started on the terminal on a file
# that does not exist: it says where it looked and exits with 0.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
out=$(printf '\n' | DISPLAY='' "$root/usr/bin/upgrade405" "/db=$root/none.mdb")
grep -q "^Text: Base de donnée non trouvée dans :" <<<"$out" ||
  { echo "package.sh: the packaged program did not start as expected: $out" >&2; exit 1; }
echo "=== $deb: made, checked and started"
