#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages. Safe to run again.
set -euo pipefail

packages=(
  cmake g++ make python3 clang-format googletest libgtest-dev libgmock-dev libbenchmark-dev
  # The fuzz targets: clang, and its libFuzzer and sanitizer runtimes (only recommended
  # by clang's packages, so named here).
  clang libclang-rt-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine64
  # The Windows Installer packages: wixl builds them, msitools' msiinfo reads their tables,
  # osslsigncode signs them (and the DLL) and openssl makes the signing test's certificates.
  wixl msitools osslsigncode openssl
  # 32-bit Wine, for the tests of the x86 DLL: Debian's i386 architecture must be enabled.
  wine32:i386
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
