#!/usr/bin/env bash
# Installs what is needed, builds the server and starts it with a
# configuration folder of its own (./run by default). A first run gets a
# demo Vela switcher; a tcpserve.ini already in the folder is kept. Extra
# arguments go to the server, e.g. --serial-device /dev/ttyUSB0.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target hvnserver -j "$(nproc 2>/dev/null || echo 2)"
appdir="${HVN_APP_DIR:-$PWD/run}"
mkdir -p "$appdir"
[ -e "$appdir/tcpserve.ini" ] ||
  printf '[CONFIGURATION]\r\nSwitcher Type=Vela\r\nDemo Mode=Yes\r\n' >"$appdir/tcpserve.ini"
mode=()
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || mode=(--headless)
exec build/hvnserver "${mode[@]}" --app-dir "$appdir" "$@"
