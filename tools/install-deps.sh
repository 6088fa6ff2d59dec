#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the server.
# "package" adds what tools/package.sh needs, "test" what the tests of the
# installation and the package and the clang build of the fuzz targets need
# as well (libclang-rt-14-dev holds the fuzzer's runtime), and the real third-party clients
# the tests drive: Node with the npm packages of each tests/node/<name>/package.json, installed
# into build-node/<name>/ (never into the source tree), Chromium and promtool. "coverage" adds
# what tools/fuzz.sh --coverage needs (llvm-14: llvm-profdata-14 and llvm-cov-14).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(cmake g++ make pkg-config qt6-base-dev libqt6serialport6-dev qt6-httpserver-dev qt6-websockets-dev
          libgtest-dev libgmock-dev python3)
case "${1:-}" in
  package) packages+=(dpkg-dev) ;;
  test) packages+=(clang-format dpkg-dev man-db groff-base systemd desktop-file-utils clang libclang-rt-14-dev
                  chromium prometheus curl)
        # A machine may carry Node with its own npm already, which Debian's npm package conflicts with.
        command -v npm >/dev/null || packages+=(nodejs npm) ;;
  coverage) packages+=(clang libclang-rt-14-dev llvm-14) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
[ "${1:-}" = test ] || exit 0
shopt -s nullglob
for lock in tests/node/*/package-lock.json; do
  from=$(dirname "$lock")
  to="build-node/$(basename "$from")"
  # Installed already from this very lock file.
  cmp -s "$lock" "$to/package-lock.json" && [ -d "$to/node_modules" ] && continue
  mkdir -p "$to"
  cp "$from/package.json" "$lock" "$to/"
  (cd "$to" && npm ci --no-audit --no-fund --loglevel=error)
done
