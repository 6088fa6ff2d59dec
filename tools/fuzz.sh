#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (listed in fuzz/targets.txt) and runs them.
#
#   tools/fuzz.sh [SECONDS] [--build DIR] [TARGET...]
#       Each target for SECONDS (default 60) in the sanitizer build
#       (AddressSanitizer and UndefinedBehaviorSanitizer, build-fuzz); prints
#       its executions, executions a second and result. New inputs go to
#       BUILD/fuzz-work/TARGET/, never into the seed corpus.
#   tools/fuzz.sh --replay [--build DIR] [TARGET...]
#       Each corpus input once in the sanitizer build, the whole model compared
#       with the one made before every input: the corpus (findings included)
#       runs clean and no input leaves anything behind for the next.
#   tools/fuzz.sh --campaign SECONDS [--build DIR] [TARGET...]
#       Each target in turn for SECONDS in a build without AddressSanitizer
#       (build-fuzz-campaign; UndefinedBehaviorSanitizer and the rig's checks
#       stay), going on after a finding, then merges what it found into
#       fuzz/corpus/TARGET/ (-merge=1: only inputs that add coverage). Prints
#       per target: executions, executions a second, corpus size, new
#       coverage, findings.
#   tools/fuzz.sh --coverage [--build DIR] [TARGET...]
#       Builds with clang's source coverage (build-fuzz-coverage), replays each
#       corpus and prints the line coverage of each target's decoder files;
#       the HTML report goes to BUILD/coverage/html/index.html.
#
# Exits non-zero when a target found something: the input is kept under
# BUILD/fuzz-findings/TARGET/. Once fixed, a finding joins fuzz/corpus/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=run
seconds=60
build=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --campaign) mode=campaign; seconds="$2"; shift 2 ;;
    --coverage) mode=coverage; shift ;;
    --replay) mode=replay; shift ;;
    [0-9]*) seconds="$1"; shift ;;
    *) targets+=("$1"); shift ;;
  esac
done
mapfile -t listed < <(sed -n 's/^\([a-z0-9_]\+\) .*/\1/p' fuzz/targets.txt)
[ ${#targets[@]} -gt 0 ] || targets=("${listed[@]}")
field() { awk -v t="$1" -v f="$2" '$1 == t { print $f }' fuzz/targets.txt; }
files() { awk -v t="$1" '$1 == t { for (i = 3; i <= NF; ++i) print $i }' fuzz/targets.txt; }

case "$mode" in
  run | replay) fuzz_mode=sanitize; build="${build:-build-fuzz}" ;;
  campaign) fuzz_mode=campaign; build="${build:-build-fuzz-campaign}" ;;
  coverage) fuzz_mode=coverage; build="${build:-build-fuzz-coverage}"; tools/install-deps.sh coverage ;;
esac
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DHVN_FUZZ=ON \
        -DHVN_FUZZ_MODE="$fuzz_mode" -DHVN_WERROR=ON "${launcher[@]}" >/dev/null
fi
# Short runs and replays take any fuzz build; a campaign and the coverage need theirs.
built_as=$(sed -n 's/^HVN_FUZZ_MODE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ "$mode" != run ] && [ "$mode" != replay ] && [ "${built_as:-sanitize}" != "$fuzz_mode" ]; then
  echo "$build is a ${built_as:-sanitize} build; --$mode needs a $fuzz_mode build" >&2
  exit 2
fi
# Runs of disjoint targets may share a build (two campaigns side by side): they build in turn.
{
  flock 9
  if ! cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/#/fuzz_}" \
    >"$build/fuzz-build.log" 2>&1; then
    cat "$build/fuzz-build.log"
    exit 2
  fi
} 9>"$build/fuzz-build.lock"

# Memory blow-ups and hangs count as findings: a decoder that needs more than
# this for one input has let a peer grow the server.
options() {
  local t="$1" dict="fuzz/dict/$1.dict"
  # A custom mutator turns libFuzzer's length control off: short inputs
  # first, longer ones once those find nothing new.
  echo -rss_limit_mb=256 -timeout=10 -max_len="$(field "$t" 2)" -len_control=100 -print_final_stats=1 \
       -artifact_prefix="$build/fuzz-findings/$t/"
  [ ! -f "$dict" ] || echo -dict="$dict"
}
stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -1; }
corpus_size() { find "fuzz/corpus/$1" -type f | wc -l; }
findings_of() { find "$build/fuzz-findings/$1" -type f 2>/dev/null | wc -l; }

# One run of SECONDS on the seed corpus; the log says how it went.
run_target() {
  local t="$1" seconds="$2" log="$3"
  mkdir -p "$build/fuzz-work/$t" "$build/fuzz-findings/$t" "$(dirname "$log")"
  # shellcheck disable=SC2046
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" $(options "$t") "$build/fuzz-work/$t" "fuzz/corpus/$t" \
    >"$log" 2>&1
}

short_runs() {
  local failed=0 summary=()
  for t in "${targets[@]}"; do
    local log="$build/fuzz-logs/$t.log" status=0
    echo "== fuzz: $t for ${seconds}s"
    run_target "$t" "$seconds" "$log" || status=$?
    local line="$t: $(stat number_of_executed_units "$log") executions, $(stat average_exec_per_sec "$log")/s"
    if [ "$status" -eq 0 ]; then
      summary+=("$line, no finding")
    else
      failed=1
      tail -40 "$log"
      summary+=("$line, FINDING (exit $status; see $log and $build/fuzz-findings/$t/)")
    fi
  done
  echo "== fuzz summary (${seconds}s each, $(uptime | sed 's/.*load/load/'))"
  printf '%s\n' "${summary[@]}"
  return "$failed"
}

# Runs Target until SECONDS have passed, starting again after each finding;
# prints "executions seconds findings".
campaign_runs() {
  local t="$1" left="$seconds" runs=0 used=0 found=0 n=0
  while [ "$left" -gt 0 ]; do
    local log="$build/fuzz-logs/$t.campaign.$((n++)).log" start status=0
    start=$(date +%s)
    run_target "$t" "$left" "$log" || status=$?
    local took=$(($(date +%s) - start))
    runs=$((runs + $(stat number_of_executed_units "$log"))); used=$((used + took)); left=$((left - took))
    [ "$status" -eq 0 ] && break
    found=$((found + 1))
    grep -m3 -E 'ERROR|fuzz check failed|runtime error' "$log" >&2 || true
    [ "$took" -gt 0 ] || left=$((left - 1))
  done
  echo "$runs $used $found"
}

# The corpus becomes its named seeds plus the fewest inputs (the seeds'
# earlier finds and this campaign's) that keep every edge they reach; the
# work directory keeps the inputs that differ only in how often they pass
# an edge, for the next campaign here.
merge_into_corpus() {
  local t="$1" corpus="fuzz/corpus/$1" fresh="$build/fuzz-merge/$1/fresh" found="$build/fuzz-merge/$1/found"
  local hashed='^[0-9a-f]{40}$'
  rm -rf "$fresh" "$found"
  mkdir -p "$fresh" "$found"
  for f in "$corpus"/*; do
    if basename "$f" | grep -Eq "$hashed"; then cp "$f" "$found/"; else cp "$f" "$fresh/"; fi
  done
  "$build/fuzz/fuzz_$t" -set_cover_merge=1 -use_counters=0 -rss_limit_mb=256 -timeout=10 "$fresh" "$found" \
    "$build/fuzz-work/$t" >"$build/fuzz-logs/$t.merge.log" 2>&1
  find "$corpus" -type f -regextype posix-extended -regex ".*/[0-9a-f]{40}" -delete
  find "$fresh" -type f -regextype posix-extended -regex ".*/[0-9a-f]{40}" -exec cp {} "$corpus/" \;
}

campaign() {
  local failed=0 rows=()
  for t in "${targets[@]}"; do
    echo "== campaign: $t for ${seconds}s"
    local before edges
    before=$(corpus_size "$t")
    read -r runs used found < <(campaign_runs "$t")
    merge_into_corpus "$t"
    edges=$(sed -n 's/.*MERGE-OUTER: .* \([0-9]*\) new coverage edges.*/\1/p' "$build/fuzz-logs/$t.merge.log" | tail -1)
    [ "$found" -eq 0 ] || failed=1
    rows+=("$(printf '%-10s %11s %8s %11s %10s %9s' "$t" "$runs" "$((runs / (used > 0 ? used : 1)))" \
      "$before->$(corpus_size "$t")" "+${edges:-0}" "$found")")
  done
  echo "== campaign summary (${seconds}s each, $(uptime | sed 's/.*load/load/'))"
  echo "(new edges: what the merged inputs reach that the corpus did not)"
  printf '%-10s %11s %8s %11s %10s %9s\n' target executions exec/s corpus "new edges" findings
  printf '%s\n' "${rows[@]}"
  [ "$failed" -eq 0 ] || echo "findings are under $build/fuzz-findings/"
  return "$failed"
}

coverage() {
  local tools=llvm-cov-14 profdata=llvm-profdata-14 dir="$build/coverage" objects=()
  command -v "$tools" >/dev/null || tools=llvm-cov
  command -v "$profdata" >/dev/null || profdata=llvm-profdata
  mkdir -p "$dir"
  printf '%-44s %7s %7s\n' "decoder file" lines covered
  for t in "${targets[@]}"; do
    local bin="$build/fuzz/fuzz_$t"
    rm -f "$dir/$t".*.profraw
    # Every corpus input once, as it stands (no length limit).
    LLVM_PROFILE_FILE="$dir/$t.%p.profraw" "$bin" -runs=0 "fuzz/corpus/$t" >"$dir/$t.log" 2>&1
    "$profdata" merge -sparse "$dir/$t".*.profraw -o "$dir/$t.profdata"
    echo "-- $t ($(corpus_size "$t") inputs)"
    # The report names files as the build saw them (../src/...).
    "$tools" report "$bin" -instr-profile="$dir/$t.profdata" 2>/dev/null |
      awk -v files="$(files "$t" | tr '\n' ' ')" '
        BEGIN { n = split(files, f, " ") }
        { for (i = 1; i <= n; ++i) if (substr($1, length($1) - length(f[i]) + 1) == f[i])
            printf "%-44s %7s %7s\n", f[i], $8, $10 }'
    objects+=(-object "$bin")
  done
  "$profdata" merge -sparse "$dir"/*.profraw -o "$dir/all.profdata"
  "$tools" show -format=html -output-dir="$dir/html" -instr-profile="$dir/all.profdata" \
    "${objects[@]:1}" -ignore-filename-regex='(tests|fuzz|build[^/]*|usr)/' >/dev/null 2>&1
  echo "== HTML report: $dir/html/index.html"
}

replay() {
  local failed=0
  for t in "${targets[@]}"; do
    local log="$build/fuzz-logs/$t.replay.log"
    mkdir -p "$(dirname "$log")"
    if HVN_FUZZ_CHECK_EVERY=1 "$build/fuzz/fuzz_$t" -runs=0 -rss_limit_mb=256 -timeout=10 "fuzz/corpus/$t" \
      >"$log" 2>&1; then
      echo "$t: $(corpus_size "$t") inputs replayed, clean"
    else
      failed=1
      tail -40 "$log"
      echo "$t: FAILED (see $log)"
    fi
  done
  return "$failed"
}

case "$mode" in
  run) short_runs ;;
  replay) replay ;;
  campaign) campaign ;;
  coverage) coverage ;;
esac
