#!/usr/bin/env bash
# Fails when a C++ source is not in the project's one style (.clang-format);
# with --fix, puts it in that style. The generated code page table is left
# as the generator writes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^src/common/Cp932Table\.cpp$')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
fi
