#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the server.
# "package" adds what tools/package.sh needs, "test" what the tests of the
# installation and the package and the clang build of the fuzz targets need
# as well (libclang-rt-14-dev holds the fuzzer's runtime), "coverage" what
# tools/fuzz.sh --coverage needs (llvm-14: llvm-profdata-14 and llvm-cov-14).
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libqt6serialport6-dev libgtest-dev libgmock-dev python3)
case "${1:-}" in
  package) packages+=(dpkg-dev) ;;
  test) packages+=(clang-format dpkg-dev man-db groff-base systemd desktop-file-utils clang libclang-rt-14-dev) ;;
  coverage) packages+=(clang libclang-rt-14-dev llvm-14) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
