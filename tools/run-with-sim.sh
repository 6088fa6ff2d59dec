#!/usr/bin/env bash
# Installs what is needed, builds, starts the switcher simulator on a
# pseudo-terminal of its own and the server on that line as that switcher's
# (a Vela by default; --type orion an Orion, --type draco a Draco at 19200
# baud), with a configuration folder of its own (./run-sim, ./run-sim-orion,
# ./run-sim-draco; a tcpserve.ini already there is kept). Arguments go to the
# simulator, e.g. --size 64 --trace.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target hvnserver hvn-switcher-sim -j "$(nproc 2>/dev/null || echo 2)"
type=vela
prev=
for arg in "$@"; do
  [ "$prev" != --type ] || type=$arg
  prev=$arg
done
case $type in
  orion) family='Switcher Type=Orion' suffix=-orion ;;
  draco) family='Switcher Type=Draco\r\nBaud Rate=19200' suffix=-draco ;;
  *) family='Switcher Type=Vela' suffix= ;;
esac
appdir="${HVN_APP_DIR:-$PWD/run-sim$suffix}"
mkdir -p "$appdir"
[ -e "$appdir/tcpserve.ini" ] || printf "[CONFIGURATION]\r\n$family\r\n" >"$appdir/tcpserve.ini"

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
