#!/usr/bin/env bash
# Runs every test on this machine: installs what is missing, checks the formatting,
# builds the Linux library and runs its tests (plain and with sanitizers), runs every
# fuzz target briefly, then cross-builds the Windows DLL, checks its exports and
# imports, and runs the Windows tests against it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/lint.sh --format-only

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

# The same suites with AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan

# Short runs of the libFuzzer targets (clang; fuzz/run.sh runs long sessions).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
scripts/check-dll.sh build/windows-x64/src/PellacormRuleExt.dll
# The real DLL under Wine (scripts/wine-run.sh), with our own mapi32.dll beside the tests.
ctest --preset windows-x64
