#!/usr/bin/env bash
# A first look on a fresh machine: installs what building needs, builds the Linux
# library and the rule host (native preset), and runs the host's demo on its embedded
# mailbox: binding, topics, a composed command, its display name, the fired rule's
# action request message and the log. Arguments go to rulehost (e.g. --keep).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native --target PellacormRuleExt rulehost

exec build/native/host/rulehost demo "$@"
