#!/usr/bin/env bash
# Makes the Windows archive from a Windows build: OUT_DIR/upgrade405-<version>-windows-<arch>.zip
# holding upgrade405.exe and LISEZMOI.txt (doc/LISEZMOI.txt.in with the version put in), and
# prints its path. scripts/release.sh makes the released archive with it from windows-i686; the
# Windows tests make the same archive from the build they run and check what it holds.
#
#   scripts/windows_archive.sh BUILD_DIR OUT_DIR
#
# The version and the architecture come from the build's CMake cache (the version from
# project()). Every entry carries the time SOURCE_DATE_EPOCH (by default the commit's date, else
# now), in UTC, with no extra fields and in a fixed order, so that the same build gives the same
# bytes. Needs zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR OUT_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(sed -n 's/^set(CMAKE_SYSTEM_PROCESSOR "\(.*\)")$/\1/p' \
  "$build"/CMakeFiles/*/CMakeSystem.cmake | head -n 1)
[ -n "$version" ] && [ -n "$arch" ] ||
  { echo "$0: $build is not a configured Windows build" >&2; exit 2; }
[ -f "$build/upgrade405.exe" ] || { echo "$0: $build/upgrade405.exe is not built" >&2; exit 2; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/upgrade405.exe" "$stage/upgrade405.exe"
# Byte for byte (UTF-8 with its byte-order mark, CR LF line ends), the version put in.
sed "s/@VERSION@/$version/g" "$root/doc/LISEZMOI.txt.in" >"$stage/LISEZMOI.txt"
# Modes and times as the archive records them, whatever the umask and the clock of this build.
chmod 0644 "$stage/LISEZMOI.txt" "$stage/upgrade405.exe"
touch -d "@$SOURCE_DATE_EPOCH" "$stage/LISEZMOI.txt" "$stage/upgrade405.exe"

zipfile=$out/upgrade405-$version-windows-$arch.zip
rm -f "$zipfile"
# zip writes local times: UTC makes them the same everywhere. -X: no extra fields (owner,
# other times); -D: no folder entries.
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$zipfile" LISEZMOI.txt upgrade405.exe)
echo "$zipfile"
