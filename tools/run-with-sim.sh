#!/usr/bin/env bash
# Installs what is needed, builds, starts the switcher simulator on a
# pseudo-terminal of its own and the server on that line as that switcher's
# (a Vela by default, an Orion with --type orion), with a configuration
# folder of its own (./run-sim, ./run-sim-orion; a tcpserve.ini already
# there is kept). Arguments go to the simulator, e.g. --size 64 --trace.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
# --type picks the family the simulator plays and the server is set up for;
# each family keeps a configuration folder of its own.
type=vela
for ((i = 1; i < $#; i++)); do [ "${!i}" = --type ] && j=$((i + 1)) && type="${!j}"; done
case "$type" in
  orion) switcher=Orion folder=run-sim-orion ;;
  *) switcher=Vela folder=run-sim ;;
esac
appdir="${HVN_APP_DIR:-$PWD/$folder}"
mkdir -p "$appdir"
[ -e "$appdir/tcpserve.ini" ] || printf '[CONFIGURATION]\r\nSwitcher Type=%s\r\n' "$switcher" >"$appdir/tcpserve.ini"

coproc SIM { exec build/hvn-switcher-sim "$@"; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
# The simulator's first line is the path of its pseudo-terminal.
if ! read -r -t 10 line <&"${SIM[0]}"; then
  echo "run-with-sim: the simulator did not start" >&2
  exit 1
fi
mode=()
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || mode=(--headless)
build/hvnserver "${mode[@]}" --app-dir "$appdir" --serial-device "$line"
