#!/usr/bin/env bash
# Builds the receive-path fuzzer with clang (into build-fuzz/, or
# $ZKT_FUZZ_BUILD_DIR) and runs it for N seconds (default 60) on the corpus
# in fuzz/corpus/. New interesting inputs go to the build folder's corpus;
# a crash leaves its input in the build folder (crash-*), to be added to
# fuzz/corpus/ once fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZKT_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
ZKT_WITH_FUZZ=1 "$root/scripts/deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZKT_FUZZ=ON -DZKT_BUILD_TESTS=OFF -DZKT_BUILD_BENCH=OFF >/dev/null
ninja -C "$build" receive_fuzzer
mkdir -p "$build/corpus"
cd "$build"
# -max_len lets a mutated input grow past the corpus's own sizes; each run
# is bounded so that a slow input is reported instead of stalling the run.
exec ./fuzz/receive_fuzzer "$build/corpus" "$root/fuzz/corpus" \
  -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 -print_final_stats=1
