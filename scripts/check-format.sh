#!/usr/bin/env bash
# Fails when a C++ source is not in the project's one style (.clang-format);
# with --fix, puts it in that style. The generated code page table is left
# as the generator writes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# The tracked sources in a checkout; the source folders in an exported tree.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files '*.cpp' '*.h'; }
else
  list() { find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) | sort; }
fi
mapfile -t files < <(list | grep -v '^src/common/Cp932Table\.cpp$')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
fi
