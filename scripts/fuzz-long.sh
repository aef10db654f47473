#!/bin/sh
# The long fuzz run (not CI): every libFuzzer target under ASan+UBSan for at least 10^7
# executions or 30 minutes, whichever comes first, starting from its committed corpus. The grown
# corpus is minimised (libFuzzer -merge) back into tests/fuzz/corpus/<target>/, ready to commit;
# findings (crash-*, leak-*, timeout-*) land in build/linux-fuzz/findings/<target>/.
#   scripts/fuzz-long.sh [TARGET...]     (default: all targets)
# ZKT_FUZZ_RUNS and ZKT_FUZZ_SECONDS change the limits.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${ZKT_FUZZ_RUNS:-10000000}
SECONDS_LIMIT=${ZKT_FUZZ_SECONDS:-1800}
cd "$ROOT"
# The targets that open a simulated machine write its folder for every input: keep it in
# memory (tmpfs) when there is one, which makes those targets several times faster.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=$(mktemp -d /dev/shm/zkt-fuzz.XXXXXX)
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi
targets=${*:-$(cat tests/fuzz/targets.txt)}
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j2 --target $targets
status=0
for target in $targets; do
  corpus=$ROOT/tests/fuzz/corpus/$target
  grown=$(mktemp -d)
  merged=$(mktemp -d)
  findings=$ROOT/build/linux-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -r "$corpus/." "$grown/"
  echo "== $target: up to $RUNS runs or $SECONDS_LIMIT s"
  rc=0
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    "$ROOT/build/linux-fuzz/tests/fuzz/$target" -runs="$RUNS" -max_total_time="$SECONDS_LIMIT" \
    -max_len=65536 -artifact_prefix="$findings/" -print_final_stats=1 "$grown" \
    >"$findings/run.log" 2>&1 || rc=$?
  grep -E '^stat::number_of_executed_units|^Done|ERROR' "$findings/run.log" || true
  [ "$rc" -eq 0 ] || { echo "FINDING in $target (exit $rc): see $findings"; status=1; }
  "$ROOT/build/linux-fuzz/tests/fuzz/$target" -merge=1 "$merged" "$grown" >/dev/null 2>&1
  rm -rf "$corpus" && mkdir -p "$corpus" && cp "$merged"/* "$corpus/" 2>/dev/null || true
  echo "   corpus: $(ls "$corpus" | wc -l) files"
  rm -rf "$grown" "$merged"
done
exit $status
