#!/usr/bin/env bash
# Every test this machine can run: the Linux suite (with a display for the window tests), the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build under
# wine.
#
# The 32-bit Windows product (windows-i686) is always built. Its tests run under wine where this
# machine can execute 32-bit programs (scripts/can_run_i386.sh tries one); where it cannot, the
# same sources are built for 64-bit Windows (windows-x86_64, a test build) and the same suites
# run under 64-bit wine. The output says which ran, and why.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh test
jobs=$(nproc)

# The independent Jet reader, npm's mdb-reader, as its lock file pins it (once; nothing to do
# when node_modules already holds that install).
bash tests/support/mdb_reader/install.sh

if [ ! -d ../shared/fixtures ] && [ -z "${UPGRADE405_FIXTURES:-}" ]; then
  echo "test.sh: $(cd .. && pwd)/shared/fixtures is missing: the extra checks on files that Access and another writer made will be skipped"
fi

# Every C and C++ file as clang-format writes it, before anything is built.
bash scripts/check_format.sh

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
if bash scripts/can_run_i386.sh; then
  echo "This machine runs 32-bit x86 programs: the tests run the 32-bit product under wine."
  bash scripts/wine_tests.sh build/windows-i686
else
  echo "This machine cannot run 32-bit x86 programs (a static i386 program would not start):"
  echo "the 32-bit product is built but not run; the same sources, built for 64-bit Windows"
  echo "(windows-x86_64, a test build), run the same suites under 64-bit wine."
  echo "=== windows-x86_64"
  cmake --preset windows-x86_64 >/dev/null
  cmake --build --preset windows-x86_64 -j"$jobs"
  bash scripts/wine_tests.sh build/windows-x86_64
fi
