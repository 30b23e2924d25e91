#!/usr/bin/env bash
# Signs Windows files (the DLL, the packages) in place with osslsigncode: Authenticode,
# SHA-256.
#
#   scripts/sign.sh FILE...
#
# Environment:
#   PELLACORM_SIGN_PKCS12     the PKCS#12 file with the code-signing certificate, its key
#                             and the chain (required)
#   PELLACORM_SIGN_PASSWORD   its password (empty when it has none)
#   PELLACORM_SIGN_TIMESTAMP  an RFC 3161 time-stamp server's URL (optional): the signature
#                             then stays valid after the certificate expires
#
# The password goes to osslsigncode through a pipe, never on a command line (which other
# users can read) nor into a file, and this script does not trace its commands. Every
# file is signed into a copy first; only when all are signed do the copies replace the
# files, so a failed run changes nothing.
set -euo pipefail
set +x

fail() {
  echo "sign.sh: $*" >&2
  exit 1
}

[ $# -gt 0 ] || fail "usage: $0 FILE..."
if [ -z "${PELLACORM_SIGN_PKCS12:-}" ]; then
  fail "no certificate: set PELLACORM_SIGN_PKCS12 to a PKCS#12 file (and PELLACORM_SIGN_PASSWORD to its password); nothing was signed"
fi
[ -f "$PELLACORM_SIGN_PKCS12" ] || fail "no certificate at $PELLACORM_SIGN_PKCS12; nothing was signed"
for file in "$@"; do
  [ -f "$file" ] || fail "no file to sign at $file; nothing was signed"
done
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (scripts/install-deps.sh installs it)"

timestamp=()
if [ -n "${PELLACORM_SIGN_TIMESTAMP:-}" ]; then
  timestamp=(-ts "$PELLACORM_SIGN_TIMESTAMP")
fi

files=("$@")
signed=()
cleanup() {
  for copy in "${signed[@]}"; do rm -f "$copy"; done
}
trap cleanup EXIT

for file in "${files[@]}"; do
  copy="$file.signing"
  signed+=("$copy")
  rm -f "$copy"
  if ! output=$(printf '%s' "${PELLACORM_SIGN_PASSWORD:-}" |
    osslsigncode sign -pkcs12 "$PELLACORM_SIGN_PKCS12" -readpass /dev/stdin -h sha256 \
      -n "Pellacorm Action" "${timestamp[@]}" -in "$file" -out "$copy" 2>&1); then
    printf '%s\n' "$output" >&2
    fail "could not sign $file; nothing was signed"
  fi
done

for i in "${!files[@]}"; do
  mv -f "${signed[$i]}" "${files[$i]}"
  echo "signed ${files[$i]}"
done
signed=()
