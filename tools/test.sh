#!/usr/bin/env bash
# Installs what is needed, checks the layering of src/ and the formatting, then builds and runs
# every test twice: once in a normal build and once under AddressSanitizer and
# UndefinedBehaviorSanitizer; last, each benchmark runs once briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test
tools/check-layers.sh
tools/check-format.sh
jobs=$(nproc 2>/dev/null || echo 2)
for variant in normal sanitize; do
  dir="build-test-$variant"
  flag=OFF
  [ "$variant" = sanitize ] && flag=ON
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DHVN_SANITIZE=$flag -DHVN_WERROR=ON >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== tests: $variant build"
  (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
done
echo "== benchmarks: each once, briefly, so they keep working (times are not judged)"
tools/bench.sh --brief --build build-test-normal
