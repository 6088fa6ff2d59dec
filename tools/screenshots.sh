#!/usr/bin/env bash
# Builds the screenshot program and draws the operator's window and dialogs
# into docs/ as PNG files (on Qt's offscreen platform: no display needed),
# then the web panel on a desk and on a phone, drawn by Debian's Chromium
# from a demo server of its own on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target hvnscreenshots hvnserver -j "$(nproc 2>/dev/null || echo 2)"
mkdir -p docs
build/hvnscreenshots docs

folder=$(mktemp -d)
read -r helm zolt web < <(python3 -c '
import socket
s = [socket.socket() for _ in range(3)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')
printf '[CONFIGURATION]\r\nSwitcher Type=Vela\r\nDemo Mode=Yes\r\nTCP/IP Port=%s\r\nConsole IP Port=%s\r\n' \
  "$helm" "$zolt" >"$folder/tcpserve.ini"
build/hvnserver --headless --app-dir "$folder" --listen-address 127.0.0.1 --web-port "$web" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$folder"' EXIT
for _ in $(seq 50); do
  curl -s "http://127.0.0.1:$web/api/v1/status" | grep -q '"online":true' && break
  sleep 0.2
done
NODE_PATH=build-node/web/node_modules node tests/node/web/panel-test.js "http://127.0.0.1:$web/" "$zolt" \
  --screenshots docs
