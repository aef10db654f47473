#!/bin/sh
# Builds the libFuzzer targets (preset linux-fuzz: clang, ASan, UBSan) and runs each briefly on
# its committed corpus (scripts/fuzz-long.sh grows that corpus). Any crash, leak or undefined
# behaviour fails.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_PER_TARGET=${ZKT_FUZZ_SECONDS:-20}
cd "$ROOT"
# The targets that open a simulated machine write its folder for every input: keep it in
# memory (tmpfs) when there is one, which makes those targets several times faster.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=$(mktemp -d /dev/shm/zkt-fuzz.XXXXXX)
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi
targets=$(cat tests/fuzz/targets.txt)
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j2 --target $targets
for target in $targets; do
  work=$(mktemp -d)
  cp "$ROOT/tests/fuzz/corpus/$target/"* "$work/"
  echo "== $target (${SECONDS_PER_TARGET}s)"
  status=0
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    "$ROOT/build/linux-fuzz/tests/fuzz/$target" -max_total_time="$SECONDS_PER_TARGET" \
    -max_len=65536 "$work" >"$work.log" 2>&1 || status=$?
  tail -n 3 "$work.log"
  if [ "$status" -ne 0 ]; then
    cat "$work.log"
    rm -rf "$work" "$work.log"
    echo "FAIL: $target (exit $status)"
    exit 1
  fi
  rm -rf "$work" "$work.log"
done
