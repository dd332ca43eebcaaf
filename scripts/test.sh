#!/usr/bin/env bash
# Builds everything, checks the sources' style and runs every test, twice: in the normal build (build/,
# or $ZKT_BUILD_DIR), then built with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/, or $ZKT_ASAN_BUILD_DIR), where any
# report fails the test that caused it. ZKT_SANITIZE_TESTS=0 skips the second
# round. Exits non-zero when either round failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZKT_BUILD_DIR:-$root/build}
asan=${ZKT_ASAN_BUILD_DIR:-$build-asan}
export QT_QPA_PLATFORM=offscreen

"$root/scripts/build.sh"
status=0
# The sources keep the one style of .clang-format.
"$root/scripts/check-format.sh" || status=$?
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600 || status=$?

if [ "${ZKT_SANITIZE_TESTS:-1}" != 0 ]; then
  # -O1 with line tables: readable reports, a shorter build than -O2 -g.
  ZKT_BUILD_DIR=$asan "$root/scripts/build.sh" -DZKT_SANITIZE=ON -DZKT_BUILD_BENCH=OFF \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0 \
    ctest --test-dir "$asan" --output-on-failure -j2 --timeout 1200 || status=$?
fi
exit $status
