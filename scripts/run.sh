#!/usr/bin/env bash
# The main job: installs what is missing, builds, makes a sample 4.04 database beside the
# executable (only when absent) and starts the upgrade dialog on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh run
# The program alone: the tests (and GoogleTest) are scripts/test.sh's.
cmake --preset linux -DUPGRADE405_TESTS=OFF >/dev/null
cmake --build --preset linux --target upgrade405 make_sample_mdb -j"$(nproc)"
if [ ! -e build/linux/database/NUV.MDB ]; then
  mkdir -p build/linux/database
  build/linux/make_sample_mdb build/linux/database/NUV.MDB
fi
mkdir -p build/linux/Log
exec build/linux/upgrade405 "$@"
