#!/usr/bin/env bash
# Builds the Debian package zkt_<version>_<arch>.deb into build-deb/ (or
# $ZKT_PACKAGE_DIR) from a release build of the client and the bundled board;
# prints the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZKT_PACKAGE_DIR:-$root/build-deb}
ZKT_WITH_PACKAGE=1 "$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZKT_BUILD_TESTS=OFF -DZKT_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
ninja -C "$build" zkt zkt-board
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/zkt_*.deb | head -n 1)
dpkg-deb --field "$deb" Package Version Depends
echo "$deb"
