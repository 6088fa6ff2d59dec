#!/usr/bin/env bash
# Installs what is needed, builds the server for /usr and makes the Debian
# package build-package/hvnserver_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh package
# cpack installs without building everything first: the test suite is not packaged.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-package --target hvn-installed -j "$(nproc 2>/dev/null || echo 2)"
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/hvnserver_*.deb
