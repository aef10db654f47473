#!/usr/bin/env bash
# The conformance program as a 32-bit process on 64-bit Windows: the i686 build runs under
# wine64 in its WoW64 mode (IsWow64Process TRUE, WOW6432Node, SysWOW64, Program Files (x86)),
# and the sim runs the same scenarios as a 32-bit program on an x64 machine; the outputs must
# agree but for the known wine differences (tests/conformance/known_wine_differences.txt).
# WoW64 mode needs the folder of scripts/provision-wow64.sh (install-deps.sh prepares it).
# Where the kernel refuses 32-bit code (no IA-32 emulation), WoW64 mode cannot run: then the
# program runs as a WOW64 process through the classic 32-bit wine under qemu-i386
# (scripts/with-wine32.sh, root only); without root the step says so and is skipped, unless
# ZKT_REQUIRE_WOW64=1 makes that a failure.
# Build folders: ZKT_WIN32_DIR (default build/win32), ZKT_WIN64_DIR (default build/win64),
# ZKT_LINUX_DIR (default build/linux).
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/wine-step.sh"

DLLS=$(./scripts/provision-wow64.sh --check) ||
  fail "WoW64 mode is not prepared: run scripts/provision-wow64.sh (it says what is missing)"

for preset in win32 win64 linux; do
  dir=$WIN32_DIR; [ "$preset" = win64 ] && dir=$WIN64_DIR; [ "$preset" = linux ] && dir=$LINUX_DIR
  [ -f "$dir/CMakeCache.txt" ] || cmake --preset "$preset" -B "$dir" >/dev/null
done
cmake --build "$WIN32_DIR" -j"$JOBS" --target zkt_conformance zkt_version_fixture \
  zkt_noversion_fixture zkt_test_service
cmake --build "$WIN64_DIR" -j"$JOBS" --target zkt_version_fixture
cmake --build "$LINUX_DIR" -j"$JOBS" --target zkt_conformance

T=$(mktemp -d /tmp/zkt-wow64-XXXXXX)
trap 'wine_prefix_stop "$T/pfx"; rm -rf "$T"' EXIT

# The fixture programs of the i686 build, the x86_64 one as the other bitness's, and the source
# fixtures, for both runs.
conformance_fixtures "$T/fixtures" \
  "$WIN32_DIR"/tests/win32/zkt_{version_fixture,noversion_fixture,test_service}.exe
cp "$WIN64_DIR/tests/win32/zkt_version_fixture.exe" "$T/fixtures/zkt_version_fixture_other.exe"

say "conformance as a 32-bit program on a fresh simulated x64 machine"
rc=0
timeout 300 "$LINUX_DIR/tests/zkt_conformance" --32 --machine "$T/machine" \
  --fixtures "$T/fixtures" >"$T/sim.out" || rc=$?
[ "$rc" -eq 0 ] || fail "the sim conformance run failed (exit $rc)"

say "conformance as a WOW64 process under wine64 (WoW64 mode, DLLs from $DLLS)"
export HOME=$T/home WINEPREFIX=$T/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
export WINEARCH=win64 WINEDLLPATH=$DLLS   # before the first wineboot: it fills SysWOW64
mkdir -p "$HOME" "$T/pfx"
cat >"$T/wine-run.sh" <<'INNER'
set -uo pipefail
source "$ROOT/scripts/lib/wine-prefix.sh"
wine_prefix_boot
conformance_install "$WINEPREFIX/drive_c/zkt-bin" "$WIN32_DIR/tests/zkt_conformance.exe" \
  "$T/fixtures"
# Can this machine run a WOW64 process at all? wine's own 32-bit cmd.exe answers that.
if ! timeout 60 "$WINE" 'C:\windows\syswow64\cmd.exe' /c echo wow64-ok 2>/dev/null |
     tr -d '\r' | grep -qx wow64-ok; then
  echo "no-wow64" >"$T/status"
  exit 0
fi
rc=0
timeout 300 "$WINE" 'C:\zkt-bin\zkt_conformance.exe' >"$T/wine.out" 2>"$T/wine.err" || rc=$?
timeout 120 "$WINESERVER" -w || true
echo "exit $rc" >"$T/status"
INNER
export WINE WINESERVER T WIN32_DIR ROOT
timeout 900 xvfb-run -a bash "$T/wine-run.sh" || fail "the wine64 WoW64 run did not finish"

if [ "$(cat "$T/status" 2>/dev/null)" = no-wow64 ]; then
  # A 64-bit process cannot switch to a 32-bit code segment here (a kernel without IA-32
  # emulation): then wine64 hands 32-bit programs to the classic 32-bit wine, an i386 Linux
  # program run by qemu-i386 (scripts/with-wine32.sh, as the product's own WOW64 round does).
  # The program is the same WOW64 process of a 64-bit prefix either way.
  route="the classic 32-bit wine (qemu-i386)"
  if [ "$(id -u)" != 0 ]; then
    msg="neither WoW64 mode (the kernel refuses 32-bit code) nor $route (needs root) can run"
    msg+=" here; the sim's 32-bit run of"
    msg+=" $(sed -n 's/^== end (\([0-9]*\) scenarios)$/\1/p' "$T/sim.out") scenarios was not compared"
    [ "${ZKT_REQUIRE_WOW64:-0}" = 1 ] && fail "$msg"
    say "SKIPPED: $msg"
    exit 0
  fi
  say "WoW64 mode cannot run here (the kernel refuses 32-bit code): conformance as a WOW64" \
    "process through $route"
  wine_prefix_stop "$T/pfx"
  rm -rf "$T/pfx" "$T/home" "$T/status"
  mkdir -p "$HOME" "$T/pfx"
  cat >"$T/wine-classic.sh" <<'INNER'
set -uo pipefail
cd "$ROOT"
unset WINEDLLPATH   # the 32-bit DLLs come with the 32-bit wine
source "$ROOT/scripts/lib/wine-prefix.sh"
wine_prefix_boot
conformance_install "$WINEPREFIX/drive_c/zkt-bin" "$WIN32_DIR/tests/zkt_conformance.exe" \
  "$T/fixtures"
rc=0
timeout 900 "$WINE" 'C:\zkt-bin\zkt_conformance.exe' >"$T/wine.out" 2>"$T/wine.err" || rc=$?
timeout 120 "$WINESERVER" -w || true
echo "exit $rc" >"$T/status"
"$WINESERVER" -k 2>/dev/null || true
INNER
  "$ROOT/scripts/with-wine32.sh" timeout 1500 xvfb-run -a bash "$T/wine-classic.sh" ||
    fail "the WOW64 run through $route did not finish"
fi
grep -qx 'exit 0' "$T/status" || {
  tail -n 20 "$T/wine.err" >&2 2>/dev/null || true
  fail "the WoW64 conformance run failed ($(cat "$T/status" 2>/dev/null))"
}
for f in sim.out wine.out; do
  tail -n 1 "$T/$f" | grep -q '^== end (' || fail "the $f run stopped early (no end line)"
done
run=wow64
[ -f "$T/wine-classic.sh" ] && run=wow64-classic
/usr/bin/python3 tests/conformance/compare_runs.py --run "$run" "$T/sim.out" "$T/wine.out" ||
  fail "the simulated machine and wine's WOW64 process disagree (above)"
