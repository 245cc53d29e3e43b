#!/usr/bin/env bash
# Fails when a C or C++ file of the project is not as clang-format (.clang-format) would write
# it: the files git tracks, or, outside a git checkout, those of the project's source folders.
# The test command and ctest (label "format") run it.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests fuzz bench tools -name '*.c' -o -name '*.cpp' -o -name '*.h' |
    grep -v '/node_modules/' | sort)
fi
clang-format --dry-run -Werror "${files[@]}"
echo "check_format.sh: ${#files[@]} files formatted as .clang-format says"
