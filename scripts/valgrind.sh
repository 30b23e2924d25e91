#!/usr/bin/env bash
# The native test suites under valgrind's memcheck: unit_tests and integration_tests,
# each as one process, then the rule host's tests with every rulehost run under
# valgrind (RULEHOST_LAUNCHER). Fails on any memory error and on any definite or
# indirect leak, in the test processes and in the children they fork. Slow (minutes),
# so not part of scripts/test.sh.
#
#   scripts/valgrind.sh            builds the preset `native` first
# Logs: build/native/valgrind/<program>.<pid>.log
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v valgrind >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends valgrind >/dev/null
fi

cmake --preset native >/dev/null
cmake --build --preset native

build=build/native
logs=$build/valgrind
rm -rf "$logs"
mkdir -p "$logs" "$build/tests/tmp"
# 99: an exit code no test program and no rulehost run uses for itself.
memcheck=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
          --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect
          --num-callers=40 --suppressions="$PWD/scripts/valgrind.supp")

status=0
export PELLACORM_TEST_TMP=$PWD/$build/tests/tmp
for suite in unit_tests integration_tests; do
  echo "== $suite"
  if ! "${memcheck[@]}" --log-file="$logs/$suite.%p.log" "$build/tests/$suite" --gtest_brief=1; then
    echo "== $suite FAILED"
    status=1
  fi
done

echo "== the rule host's tests"
export RULEHOST_LAUNCHER="${memcheck[*]} --log-file=$PWD/$logs/rulehost.%p.log"
if ! ctest --preset native -R '^host_' --timeout 1200; then
  status=1
fi

# Every process wrote a log; valgrind's own summaries are in them.
bad=$(grep -lE 'ERROR SUMMARY: [1-9]|(definitely|indirectly) lost: [1-9]' "$logs"/*.log || true)
if [ -n "$bad" ]; then
  echo "memcheck reports errors or leaks in:"
  echo "$bad"
  status=1
fi
echo "memcheck: $(ls "$logs"/*.log | wc -l) processes, $([ $status -eq 0 ] && echo 'no error and no leak' || echo FAILED)"
exit $status
