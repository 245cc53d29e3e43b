#!/usr/bin/env bash
# Every test this machine can run: the Linux suite (with a display for the window tests), the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build under
# wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
jobs=$(nproc)

for preset in linux linux-asan; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -LE display -j"$jobs"
  bash scripts/with_display.sh ctest --preset "$preset" -L display
done

echo "=== windows-i686"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 -j"$jobs"
bash scripts/wine_tests.sh
