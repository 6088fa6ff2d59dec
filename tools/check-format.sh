#!/usr/bin/env bash
# Reports every C++ file that .clang-format would change, or only the files
# given as arguments; fails when there is one. tools/test.sh runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
clang-format --style=file --dry-run --Werror "${files[@]}"
echo "check-format: ok"
