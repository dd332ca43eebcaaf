#!/usr/bin/env bash
# Configures and builds into build/ (or $ZKT_BUILD_DIR): every target, or
# only those named in $ZKT_TARGETS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZKT_BUILD_DIR:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# shellcheck disable=SC2086
ninja -C "$build" ${ZKT_TARGETS:-}
