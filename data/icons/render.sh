#!/usr/bin/env bash
# Renders the program's one drawing, upgrade405.svg, into every icon file the builds install:
# the Linux PNGs at seven sizes (rsvg-convert, Debian: librsvg2-bin) and the Windows icon
# src/platform/win32/upgrade405.ico with the same sizes, 16 to 256 pixels (icotool, Debian:
# icoutils; `bash scripts/install_deps.sh icons` installs both). The 256-pixel image is kept as
# PNG inside the .ico, as Windows expects at that size; the smaller ones are stored as bitmaps,
# which every version of Windows reads.
# What it writes is committed, so that a build needs no SVG renderer and every build installs the
# same bytes; run this after a change to the SVG and commit what it wrote. The same SVG gives the
# same bytes on every run (neither tool records a time or a path).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ico=$here/../../src/platform/win32/upgrade405.ico
sizes=(16 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
  rsvg-convert -w "$size" -h "$size" "$here/upgrade405.svg" -o "$here/upgrade405-$size.png"
done
bitmaps=()
for size in "${sizes[@]}"; do
  [ "$size" = 256 ] || bitmaps+=("$here/upgrade405-$size.png")
done
icotool --create --output="$ico" "${bitmaps[@]}" --raw="$here/upgrade405-256.png"
