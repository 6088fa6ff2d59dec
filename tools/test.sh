#!/usr/bin/env bash
# Installs what is needed, checks the layering of src/ and the formatting, then builds and runs
# every test twice: once in a normal build and once under AddressSanitizer and
# UndefinedBehaviorSanitizer. The sanitizer build is a clang build that also holds the fuzz
# targets of fuzz/: each replays its corpus and runs for a short while; last, each benchmark runs
# once briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test
tools/check-layers.sh
tools/check-format.sh
jobs=$(nproc 2>/dev/null || echo 2)
for variant in normal sanitize; do
  dir="build-test-$variant"
  options=(-DCMAKE_BUILD_TYPE=Debug -DHVN_WERROR=ON)
  [ "$variant" = sanitize ] && options+=(-DCMAKE_CXX_COMPILER=clang++ -DHVN_FUZZ=ON)
  cmake -S . -B "$dir" "${options[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== tests: $variant build"
  (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
done
echo "== fuzz targets: every corpus input once, then each target for a short while"
tools/fuzz.sh --replay --build build-test-sanitize
tools/fuzz.sh 20 --build build-test-sanitize
echo "== benchmarks: each once, briefly, so they keep working (times are not judged)"
tools/bench.sh --brief --build build-test-normal
