#!/usr/bin/env bash
# Checks that includes run one way, and exits 1 with every include that does not:
# - memstore, the rule host and the testing library (testing/) include nothing of the
#   product but its resource ids (resources/resource.h, which the dialog's drivers need);
#   they reach Windows and MAPI through platform/api, and the testing library and the
#   host also the layer's own test interfaces (win32/ScriptedUser.h, PrivateState.h);
# - fuzz and bench test the product's own functions, so they include its headers, but
#   they too reach the platform through platform/api, not through the product's headers;
# - config and diagnostics include only each other, the messaging interface
#   (store/MapiApi.h), the platform and, for the string table, the resource ids.
set -euo pipefail
cd "$(dirname "$0")/.."

product='(store|config|diagnostics|action|dialog|extension)'
pickers='(config/Platform|config/RegKey|store/MapiApi|store/MapiPtr|extension/RuleExtInterface)\.h'
found=0

# Lists the includes of the files below the folders $2... that match the pattern $1.
offending() {
  local pattern=$1
  shift
  grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"$pattern" "$@" || true
}

report() {
  local rule=$1 hits=$2
  if [ -n "$hits" ]; then
    echo "check-includes: $rule:" >&2
    echo "$hits" >&2
    found=1
  fi
}

report "memstore, the rule host and the testing library include nothing of the product" \
  "$(offending "$product/" memstore host testing)"
report "fuzz and bench reach the platform through platform/api" \
  "$(offending "$pickers" fuzz bench)"
report "config and diagnostics include only each other, store/MapiApi.h, the platform and the resource ids" \
  "$(offending '(store|action|dialog|extension)/' src/config src/diagnostics | grep -v '"store/MapiApi\.h"' || true)"

if [ "$found" -ne 0 ]; then
  exit 1
fi
echo "check-includes: every include runs one way"
