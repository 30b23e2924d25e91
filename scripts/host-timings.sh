#!/usr/bin/env bash
# Times the rule host at two sizes a tenth apart and prints the ratio of the larger to the
# smaller: linear growth reads about 10. Uses hyperfine (installed from Debian if
# missing). The figures go into docs/performance.md.
#
#   scripts/host-timings.sh [RULEHOST]      # default build/native/host/rulehost
set -euo pipefail
cd "$(dirname "$0")/.."
rulehost=$(realpath "${1:-build/native/host/rulehost}")
if ! command -v hyperfine >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get install -y -qq hyperfine >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Mailboxes: N topics side by side, and a chain of N topics each inside the one before.
python3 - "$work" <<'EOF'
import sys
work = sys.argv[1]
head = "store M default\n  Inbox inbox\n    Pellacorm Topics\n"
for n in (1000, 10000, 100000):
    with open(f"{work}/flat-{n}.mailbox", "w") as out:
        out.write(head + "".join(f"      Topic {i}\n" for i in range(n)))
for n in (500, 5000):
    with open(f"{work}/chain-{n}.mailbox", "w") as out:
        out.write(head + "".join("  " * (3 + i) + f"T{i}\n" for i in range(n)))
EOF

# name, small command, large command
cases=(
  "fire 1,000 -> 10,000 messages|fire 006P+1 --count 1000|fire 006P+1 --count 10000"
  "topics 10,000 -> 100,000 folders|--mailbox $work/flat-10000.mailbox topics|--mailbox $work/flat-100000.mailbox topics"
  "topics chain 500 -> 5,000 deep|--mailbox $work/chain-500.mailbox topics|--mailbox $work/chain-5000.mailbox topics"
  "bind chain 500 -> 5,000 deep (host and memstore only)|--mailbox $work/chain-500.mailbox bind|--mailbox $work/chain-5000.mailbox bind"
)
printf '%-56s %10s %10s %7s\n' "case" "small s" "large s" "ratio"
for entry in "${cases[@]}"; do
  IFS='|' read -r name small large <<<"$entry"
  hyperfine --style none --warmup 1 --min-runs 3 --export-json "$work/t.json" \
    "$rulehost $small" "$rulehost $large" >/dev/null
  python3 - "$work/t.json" "$name" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
small, large = (r["median"] for r in results)
print(f"{sys.argv[2]:<56} {small:10.3f} {large:10.3f} {large / small:7.1f}")
EOF
done
