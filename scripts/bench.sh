#!/usr/bin/env bash
# Runs the benchmarks and writes bench/results.md.
#
#   bash scripts/bench.sh [--sizes=1000,100000,1000000] [Google Benchmark options]
#
# Builds a Release configuration with the benchmarks in build/bench, generates the test tables
# once in build/bench/data (1k, 100k and 1M rows and a working copy: about 220 MB), runs every
# benchmark in one run and writes the figures, as ratios against their baselines, with the
# machine they came from, to bench/results.md. Takes a few minutes; run it on an idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DUPGRADE405_BENCH=ON -DUPGRADE405_TESTS=OFF \
  >/dev/null
cmake --build "$build" --target upgrade405_bench -j"${BENCH_BUILD_JOBS:-$(nproc)}"
"$build/bench/upgrade405_bench" --data="$build/data" --out=bench/results.md \
  --command="bash scripts/bench.sh" --benchmark_color=false "$@"
echo "bench.sh: results in bench/results.md"
