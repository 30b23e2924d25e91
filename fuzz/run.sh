#!/bin/sh
# Long fuzzing sessions of every target, one after the other.
#
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [extra libFuzzer flags...]
#
# BUILD_DIR is a fuzz build (see fuzz/CMakeLists.txt): build/fuzz from the preset
# (cmake --preset fuzz && cmake --build --preset fuzz), or one of your own, for example:
#   cmake -S . -B /tmp/pellacorm-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
#         -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLACORM_FUZZ=ON -DPELLACORM_SANITIZE=ON -DPELLACORM_TESTS=OFF
#   cmake --build /tmp/pellacorm-fuzz --target fuzz_targets -j2
# The targets that bind an object (GetCommandFuzz, SettingsFuzz) run some hundred inputs
# a second where the text ones run tens of thousands.
# Each target keeps its corpus in BUILD_DIR/fuzz/corpus/<target> (the seeds in fuzz/corpus are
# read too) and writes crashing inputs to BUILD_DIR/fuzz/artifacts/. Exits non-zero when a
# target failed.
# Unless ASAN_OPTIONS says otherwise, allocations keep no call stacks
# (malloc_context_size=0): the bound targets run about a fifth faster, and every fault is
# still found. Run a saved input again with ASAN_OPTIONS=malloc_context_size=30 to see
# where its memory came from.
set -u
if [ $# -lt 1 ]; then
  sed -n '2,19p' "$0"
  exit 2
fi
build=$1
seconds=${2:-600}
[ $# -ge 2 ] && shift 2 || shift 1
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0}"
status=0
mkdir -p "$build/fuzz/artifacts"
for target in CommandFuzz DisplayNameFuzz FolderPathFuzz GetCommandFuzz SettingsFuzz; do
  mkdir -p "$build/fuzz/corpus/$target"
  dict=command.dict
  maxlen=4096
  if [ "$target" = SettingsFuzz ]; then
    # Values of a kilobyte already pass every size the settings readers and the guarded
    # buffers (511 bytes at most) tell apart; longer ones only slow each input down,
    # since every change rewrites the whole registry file.
    dict=settings.dict
    maxlen=1024
  fi
  echo "== $target, $seconds s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$maxlen" -print_final_stats=1 \
      -dict="$here/$dict" -artifact_prefix="$build/fuzz/artifacts/$target-" "$@" \
      "$build/fuzz/corpus/$target" "$here/corpus/$target"; then
    echo "== $target FAILED (see $build/fuzz/artifacts)"
    status=1
  fi
done
exit $status
