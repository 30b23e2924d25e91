#!/usr/bin/env bash
# Checks the formatting of every C++ file and runs clang-tidy over the product and the
# platform layer (slow: pass --format-only to skip clang-tidy).
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files
echo "clang-format: clean"
if [ "${1:-}" = "--format-only" ]; then
  exit 0
fi
cmake -S . -B build/lint -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DPELLACORM_TESTS=ON >/dev/null
cmake --build build/lint --target pellacorm_objects win32 mapi32 >/dev/null
clang-tidy -p build/lint --quiet $(git ls-files 'src/*.cpp' 'platform/*.cpp') 2>&1 | grep -E 'error:|warning:' && exit 1
echo "clang-tidy: clean"
