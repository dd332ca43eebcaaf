#!/usr/bin/env bash
# Builds a release build into build-bench/ and runs the benchmark; arguments
# go to zkt-bench (--smoke for a quick run, --only <part>, --mb N, ...).
# "--only screen" runs the whole client on screen: screen-ingest (the main
# window fed over loopback) and typing during a flood (screen-typing). The
# platform is offscreen unless QT_QPA_PLATFORM says otherwise, e.g.
#   xvfb-run -a env QT_QPA_PLATFORM=xcb scripts/bench.sh --only screen
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZKT_BENCH_DIR:-$root/build-bench}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZKT_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" zkt-bench zkt-board
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/zkt-bench" "$@"
