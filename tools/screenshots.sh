#!/usr/bin/env bash
# Builds the screenshot program and draws the operator's window and dialogs
# into docs/ as PNG files (on Qt's offscreen platform: no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target hvnscreenshots -j "$(nproc 2>/dev/null || echo 2)"
mkdir -p docs
build/hvnscreenshots docs
