#!/usr/bin/env bash
# Checks the Windows DLL: ExchEntryPoint is its one export, at ordinal 1, and it imports
# from system DLLs only (the C++ runtime is linked in).
set -euo pipefail
dll=$1
dump=$(x86_64-w64-mingw32-objdump -p "$dll")

exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' || true)
if [ "$(printf '%s\n' "$exports" | grep -c .)" -ne 1 ] || ! printf '%s\n' "$exports" | grep -q 'ExchEntryPoint'; then
  echo "FAIL: exports of $dll:"; printf '%s\n' "$exports"; exit 1
fi
ordinal=$(printf '%s\n' "$dump" | sed -n '/Export Address Table -- Ordinal Base/,/^$/p' | grep -E '\+base\[' | sed -E 's/.*\+base\[\s*([0-9]+)\].*/\1/')
if [ "$ordinal" != "1" ]; then
  echo "FAIL: ExchEntryPoint is at ordinal '$ordinal', not 1"; exit 1
fi

allowed='^(KERNEL32|USER32|ADVAPI32|MAPI32|msvcrt)\.dll$'
bad=0
while read -r name; do
  if ! printf '%s\n' "$name" | grep -qiE "$allowed"; then
    echo "FAIL: $dll imports from $name"; bad=1
  fi
done < <(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p')
[ $bad -eq 0 ] || exit 1
echo "$dll: exports ExchEntryPoint @1 only; imports: $(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
