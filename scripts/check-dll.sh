#!/usr/bin/env bash
# Checks the Windows DLL (x64 or x86): ExchEntryPoint is its one export, at ordinal 1 and
# by that plain name, and it imports from system DLLs only (the C++ runtime is linked
# in). The x86 DLL must import MAPI32's functions by the stdcall-decorated names the
# system's 32-bit MAPI32 exports (FreeProws@4); the x64 DLL by their plain names.
set -euo pipefail
dll=$1
# MinGW-w64's x86-64 objdump reads 32-bit images too.
dump=$(x86_64-w64-mingw32-objdump -p "$dll")

format=$(printf '%s\n' "$dump" | sed -n 's/.*file format //p' | head -n 1)
case "$format" in
  pei-x86-64) arch=x64 ;;
  pei-i386) arch=x86 ;;
  *) echo "FAIL: $dll is not a Windows DLL objdump knows ($format)"; exit 1 ;;
esac

exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' || true)
if [ "$(printf '%s\n' "$exports" | grep -c .)" -ne 1 ] || ! printf '%s\n' "$exports" | grep -qE '^\s+\[\s*0\] ExchEntryPoint$'; then
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

# The names imported from MAPI32: the last word of each line of its import table.
mapi=$(printf '%s\n' "$dump" | sed -n '/DLL Name: MAPI32\.dll/I,/^$/p' | grep -E '^\s+[0-9a-f]+\s+[0-9]+\s+\S+' | awk '{print $3}')
if [ -z "$mapi" ]; then
  echo "FAIL: $dll imports nothing from MAPI32"; bad=1
fi
for name in $mapi; do
  if [ "$arch" = x86 ] && ! [[ "$name" =~ @[0-9]+$ ]]; then
    echo "FAIL: the x86 DLL imports MAPI32's $name by a plain name (32-bit MAPI32 exports it decorated, $name@N)"; bad=1
  elif [ "$arch" = x64 ] && [[ "$name" == *@* ]]; then
    echo "FAIL: the x64 DLL imports MAPI32's $name by a decorated name"; bad=1
  fi
done
[ $bad -eq 0 ] || exit 1
echo "$dll ($arch): exports ExchEntryPoint @1 only; imports: $(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
echo "  from MAPI32: $(printf '%s\n' "$mapi" | tr '\n' ' ')"
