#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, sanitizers on) and runs each
# for SECONDS (default 60) on its seed corpus, one after the other, then prints
# each target's executions and result. Exits non-zero when a target found
# something: the input is kept under BUILD/fuzz-findings/TARGET/.
#
#   tools/fuzz.sh [SECONDS] [--build DIR] [TARGET...]
#
# --build DIR uses (and configures, if needed) that build folder; default
# build-fuzz. New inputs a run finds go to BUILD/fuzz-work/TARGET/, never into
# the seed corpus; add a finding to fuzz/corpus/TARGET/ by hand once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
build=build-fuzz
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    [0-9]*) seconds="$1"; shift ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(vela orion draco helm zolt logitek swp08 ember config pollfiles web)

jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DHVN_FUZZ=ON \
        -DHVN_WERROR=ON "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

# Memory blow-ups and hangs count as findings: a decoder that needs more than
# this for one input has let a peer grow the server.
rss_limit_mb=256
timeout_s=10
summary=()
failed=0
for target in "${targets[@]}"; do
  work="$build/fuzz-work/$target"
  findings="$build/fuzz-findings/$target"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  echo "== fuzz: $target for ${seconds}s"
  status=0
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb="$rss_limit_mb" -timeout="$timeout_s" \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    summary+=("$target: ${runs:-?} executions, no finding")
  else
    failed=1
    tail -40 "$log"
    summary+=("$target: ${runs:-?} executions, FINDING (exit $status; see $log and $findings/)")
  fi
done
echo "== fuzz summary (${seconds}s each)"
printf '%s\n' "${summary[@]}"
exit "$failed"
