#!/usr/bin/env bash
# The full test run: dependencies, the Linux build with its tests, the same under ASan+UBSan,
# the Windows builds with their checks, and the conformance test of the sim against wine64
# (as a 64-bit and as a 32-bit WOW64 process).
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}

./scripts/install-deps.sh

step() { printf '\n==== %s ====\n' "$*"; }

step "linux: build and unit/scenario tests"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$JOBS"
ctest --test-dir build/linux --output-on-failure -j"$JOBS"

step "linux-asan: build and tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/linux-asan --output-on-failure -j"$JOBS"

for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  step "$(basename "$extra" .sh)"
  bash "$extra"
done

step "all tests passed"
