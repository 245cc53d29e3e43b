#!/usr/bin/env bash
# Runs one fuzz target with libFuzzer for a while.
#
#   scripts/fuzz.sh TARGET SECONDS [LIBFUZZER_OPTION...]
#
# TARGET is one of: command_line connection_string alter_column journal text_format jet_file
# (fuzz/<TARGET>_fuzzer.cpp). The script configures and builds the target with the fuzz preset
# (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, in build/fuzz), then
# fuzzes TARGET for SECONDS seconds, one process, starting from the seeds in fuzz/corpus/TARGET; jet_file also starts from the Jet test databases in $UPGRADE405_FIXTURES
# (default ../shared/fixtures), read in place and never copied into the project, with inputs of
# at most 512 KB. New inputs go to build/fuzz/corpus/TARGET (not the seed folder), a
# crashing input to build/fuzz/artifacts/TARGET/, the log to build/fuzz/logs/TARGET.log.
# Extra options go to libFuzzer, e.g. "-fork=1 -ignore_crashes=1" to go on after a finding.
# Copy a crashing input into fuzz/corpus/TARGET/ so that the replay (ctest -L fuzz-replay) keeps
# it; shrink it first with: build/fuzz/fuzz/TARGET_fuzzer -minimize_crash=1 -runs=10000 FILE
# (not for jet_file inputs grown from the Jet test databases: those stay out of the project).
# Exit code: 0 when nothing was found, libFuzzer's (non-zero) after a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
bash scripts/install_deps.sh fuzz
target=$1
seconds=$2
shift 2
build=build/fuzz
if [ ! -f "fuzz/${target}_fuzzer.cpp" ]; then
  echo "fuzz.sh: no target $target (fuzz/${target}_fuzzer.cpp)" >&2
  exit 2
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzzer" -j"${FUZZ_BUILD_JOBS:-2}"
mkdir -p "$build/corpus/$target" "$build/artifacts/$target" "$build/logs"
log="$build/logs/$target.log"
seeds=("fuzz/corpus/$target")
options=()
if [ "$target" = jet_file ]; then
  options+=(-max_len=524288)
  fixtures=${UPGRADE405_FIXTURES:-../shared/fixtures}
  for dir in "$fixtures" "$fixtures/access"; do
    if [ -d "$dir" ]; then seeds+=("$dir"); fi
  done
fi
status=0
"$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/$target/" "${options[@]}" "$@" \
  "$build/corpus/$target" "${seeds[@]}" >"$log" 2>&1 || status=$?
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|stat::|^Done|ERROR|SUMMARY|invariant broken|runtime error' \
  "$log" | tail -n 20 || true
echo "fuzz.sh: $target, ${seconds}s, exit $status; log $log; findings in $build/artifacts/$target/"
exit "$status"
