#!/usr/bin/env bash
# Fails unless ExchEntryPoint is the only symbol the extension library defines for others.
set -euo pipefail
lib=$1
symbols=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v -E '^(_init|_fini|_edata|_end|__bss_start)$' || true)
if [ "$symbols" != "ExchEntryPoint" ]; then
  echo "exported symbols of $lib:"; echo "$symbols"
  exit 1
fi
echo "only ExchEntryPoint is exported"
