#!/usr/bin/env bash
# Runs every test on this machine: installs what is missing, builds the Linux library
# and its tests, cross-builds the Windows DLL and checks its exports and imports, then
# runs the test suites.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
scripts/check-dll.sh build/windows-x64/src/PellacormRuleExt.dll
