#!/usr/bin/env bash
# Builds one Windows Installer package of the extension from installer/PellacormAction.wxs
# with wixl. The CMake target msi runs it; so do the tests, for a package of another version.
#
#   installer/build-msi.sh x64|x86 VERSION DLL OUTPUT.msi
#
# VERSION is major.minor.patch (Windows Installer's limits: 255.255.65535). The product
# code follows from the architecture and the version: a package rebuilt at the same
# version is the same product, which Windows Installer will not install a second time
# beside the first; a higher version upgrades it. Nothing is left under OUTPUT when the
# build fails.
set -euo pipefail

fail() {
  echo "build-msi: $*" >&2
  exit 1
}

[ $# -eq 4 ] || fail "usage: $0 x64|x86 VERSION DLL OUTPUT.msi"
arch=$1 version=$2 dll=$3 output=$4
case "$arch" in
  x64) win64=yes ;;
  x86) win64=no ;;
  *) fail "unknown architecture '$arch' (x64 or x86)" ;;
esac
if ! [[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || [ "${BASH_REMATCH[1]}" -gt 255 ] ||
   [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
  fail "version '$version' is not major.minor.patch within 255.255.65535"
fi
[ -f "$dll" ] || fail "no DLL to package at $dll"
command -v wixl >/dev/null || fail "wixl is missing (scripts/install-deps.sh installs it)"

# A name-based UUID (version 5) of the architecture and version, in a namespace of ours.
product_code=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
  0F4C7B9E-5D2A-4E61-9B3C-2A7D8E1F6C05 "PellacormAction-$arch-$version")

source_file="$(cd "$(dirname "$0")" && pwd)/PellacormAction.wxs"
mkdir -p "$(dirname "$output")"
partial="$(realpath -m "$output").partial"
trap 'rm -f "$partial"' EXIT
rm -f "$output"
# wixl finds a File's Source relative to the folder it runs in, never by an absolute path.
(
  cd "$(dirname "$dll")"
  wixl --arch "$arch" -D Arch="$arch" -D Win64="$win64" -D Version="$version" \
    -D ProductCode="$product_code" -D Dll="$(basename "$dll")" -o "$partial" "$source_file"
)
mv -f "$partial" "$output"
