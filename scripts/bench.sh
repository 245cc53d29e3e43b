#!/usr/bin/env bash
# Runs the benchmarks and writes bench/results.md.
#
#   bash scripts/bench.sh [--sizes=1000,100000,1000000] [Google Benchmark options]
#
# Builds the bench preset (a Release configuration with the benchmarks, in build/bench), has the
# project's Jet writer make the files of 1k, 100k and 1M rows (with a TEXT(255) twin of each) once in build/bench/data
# (with the working copies: about 400 MB), runs every benchmark in one run and writes the
# figures, as ratios against their baselines, with the machine they came from, to
# bench/results.md. Takes several minutes; run it on an idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh bench
build=build/bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target upgrade405_bench -j"${BENCH_BUILD_JOBS:-$(nproc)}"
"$build/bench/upgrade405_bench" --data="$build/data" --out=bench/results.md \
  --command="bash scripts/bench.sh" --benchmark_color=false "$@"
echo "bench.sh: results in bench/results.md"
