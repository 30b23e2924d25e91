#!/usr/bin/env bash
# Builds the windows-x64 preset's dialog benchmark and runs it under Wine: the time from
# GetCommand to the painted, idle action dialog against its floor, at 1,000, 10,000 and
# 50,000 topics (or the counts given).
#
#   scripts/bench-windows.sh [TOPICS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows-x64"
cd "$root"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset windows-x64 >/dev/null
fi
cmake --build --preset windows-x64 --target dialog_bench >/dev/null
exec "$root/scripts/wine-run.sh" "$build/tests/windows/wine" "$build/tests/windows/dialog_bench.exe" "$@"
