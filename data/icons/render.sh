#!/usr/bin/env bash
# Renders the icon's PNG sizes from upgrade405.svg with rsvg-convert (Debian: librsvg2-bin).
# The PNGs are committed, so that a build needs no SVG renderer and every build installs the
# same bytes; run this after a change to the SVG and commit what it wrote.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/upgrade405.svg" -o "$here/upgrade405-$size.png"
done
