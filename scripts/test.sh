#!/usr/bin/env bash
# Runs every test on this machine: installs what is missing, checks the formatting,
# builds the Linux library and runs its tests (plain, with ASan and UBSan, with TSan),
# runs every fuzz target briefly, then cross-builds the Windows DLL and its Windows
# Installer package, checks the DLL's exports and imports, and runs the Windows tests,
# the install scripts' and the package's tests under Wine; last the 32-bit DLL, checked
# and tested the same way under 32-bit Wine, and its package, checked by its tables.
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

# The same suites with ThreadSanitizer: the client calls from more than one thread.
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan
ctest --preset native-tsan

# Short runs of the libFuzzer targets (clang; fuzz/run.sh runs long sessions).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
cmake --build --preset windows-x64 --target msi
scripts/check-dll.sh build/windows-x64/src/PellacormRuleExt.dll
scripts/check-dll.sh build/windows-x64/installer/package/PellacormRuleExt.dll
# The real DLL under Wine (scripts/wine-run.sh), with our own mapi32.dll beside the tests,
# scripts/windows/install.cmd and uninstall.cmd under Wine's cmd.exe, the package under
# Wine's msiexec, its tables, and signing it.
ctest --preset windows-x64

# The 32-bit DLL, for a 32-bit mail client. Its own tests and the rule host's demo run
# under 32-bit Wine; the rule host's other groups test the host more than the DLL, ran
# against the x64 DLL above, and would add minutes (ctest --preset windows-x86 runs them).
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
cmake --build --preset windows-x86 --target msi
scripts/check-dll.sh build/windows-x86/src/PellacormRuleExt.dll
scripts/check-dll.sh build/windows-x86/installer/package/PellacormRuleExt.dll
# The x86 package is checked by its tables, which needs no 32-bit program.
ctest --preset windows-x86 -R '^msi_tables$'
# 32-bit Wine needs a kernel that runs 32-bit programs; some virtual machines' kernels
# refuse them ("Exec format error"). There the DLL is built and checked, not run.
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "test.sh: SKIPPED the x86 DLL's tests: this machine's kernel does not run 32-bit programs" >&2
else
  ctest --preset windows-x86 -R '^(windows_tests|host_windows_(Demo|Topics))$'
fi
