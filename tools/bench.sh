#!/usr/bin/env bash
# Builds the server and the switcher simulator in Release and runs every
# benchmark under bench/ for a number of rounds, then prints one table: each
# figure with its goal, the min and median over the rounds, and the median
# against the goal (1.00 or less meets it). Baselines (ser2net, the dump's
# wire time) are measured inside each round, so a busy machine moves both.
#
#   tools/bench.sh [--rounds N] [--build DIR] [--brief] [SCRIPT...]
#
# --build DIR uses binaries already built there instead of building Release.
# --brief runs every script once with small counts, to see that each still
# works; times are printed but mean nothing then.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=3
build=""
brief=""
scripts=()
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --brief) brief="--brief"; rounds=1; shift ;;
    *) scripts+=("$1"); shift ;;
  esac
done
[ ${#scripts[@]} -gt 0 ] || scripts=(bench/zolt_take.py bench/helm_take.py bench/helm_fanout.py bench/passthru.py
                                     bench/startup.py bench/burst.py bench/churn.py bench/idle.py bench/swp08_take.py)

if ! command -v ser2net >/dev/null; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq ser2net >/dev/null
fi

if [ -z "$build" ]; then
  build=build-release
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target hvnserver hvn-switcher-sim
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((round = 1; round <= rounds; round++)); do
  for script in "${scripts[@]}"; do
    echo "== round $round: $script" >&2
    python3 "$script" --build "$build" $brief | sed -n 's/^RESULT //p' | tee -a "$results" >&2
  done
done

python3 - "$results" <<'PY'
import json, statistics, sys
rows = {}
for line in open(sys.argv[1]):
    r = json.loads(line)
    rows.setdefault(r["figure"], []).append(r)
print(f"{'figure':<62} {'goal':<52} {'min':>12} {'median':>12} {'ratio':>6}")
for figure, rs in rows.items():
    values = [r["value"] for r in rs]
    ratio = statistics.median(r["ratio"] for r in rs)
    unit = rs[0]["unit"]
    low, middle = f"{min(values)} {unit}", f"{statistics.median(values)} {unit}"
    print(f"{figure:<62} {rs[-1]['goal']:<52} {low:>12} {middle:>12} {ratio:>6.2f}")
PY
