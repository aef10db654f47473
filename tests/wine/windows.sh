#!/usr/bin/env bash
# The Windows builds and their checks, and the conformance test of the simulated machine
# against wine64:
#   1. build the presets win32 (the product) and win64 (the same code and test programs);
#   2. check what the i686 product imports and what its manifest and version resource say;
#   3. run the conformance program built for x86_64 under wine64 in a fresh prefix, and the
#      one built for Linux on a fresh simulated machine, with the same fixture files;
#   4. the two outputs must be identical but for the known wine differences.
# Build folders default to the presets' (build/win32, build/win64, build/linux); set
# ZKT_WIN32_DIR, ZKT_WIN64_DIR or ZKT_LINUX_DIR to use others.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/wine-step.sh"
PY=/usr/bin/python3   # the system Python, which has python3-pefile
CHECK_PE="$PY $ROOT/tests/win32/check_pe.py"

# ---- 1. builds ----
for preset in win32 win64; do
  dir=$WIN32_DIR; [ "$preset" = win64 ] && dir=$WIN64_DIR
  say "build preset $preset in $dir"
  cmake --preset "$preset" -B "$dir" >/dev/null
  cmake --build "$dir" -j"$JOBS"
done
PRODUCT=$WIN32_DIR/app/win32/ZKTAudioSetup.exe
[ -f "$PRODUCT" ] || fail "$PRODUCT was not built"

# ---- 2. the product's imports, image kind, manifest and version ----
VERSION=$(sed -n 's/^project(ZKTAudioSetup VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
say "check $PRODUCT (imports, PE32 i386 GUI, requireAdministrator, file version $VERSION)"
PAYLOADS=$WIN32_DIR/payload/payloads.ini   # the manifest the product's resources came from
[ -f "$PAYLOADS" ] || PAYLOADS=payload/payloads.ini
$CHECK_PE --summary --machine i386 --gui --admin-manifest --per-monitor-dpi --file-version "$VERSION" \
  --payloads "$PAYLOADS" "$PRODUCT" || fail "the product does not pass its checks"
# The payload check must notice a payload that is not the one embedded.
if [ "$PAYLOADS" != payload/payloads.ini ] &&
   $CHECK_PE --payloads payload/payloads.ini "$PRODUCT" >/dev/null; then
  fail "check_pe.py accepted placeholders in place of the embedded payload programs"
fi
# The check must be able to fail: its counter-example imports version.dll and a function that
# Windows 7 lacks, and the 64-bit build is no i386 program.
COUNTER=$WIN32_DIR/tests/win32/counter-examples/zkt_unsafe_imports.exe
out=$($CHECK_PE --machine i386 "$COUNTER" || true)
grep -qi "imports VERSION.dll" <<<"$out" || fail "check_pe.py missed version.dll in $COUNTER"
grep -q "SetDefaultDllDirectories" <<<"$out" || fail "check_pe.py missed SetDefaultDllDirectories in $COUNTER"
out=$($CHECK_PE --per-monitor-dpi "$COUNTER" || true)
grep -q "dpiAwareness" <<<"$out" || fail "check_pe.py missed the lack of DPI awareness in $COUNTER"
if $CHECK_PE --machine i386 "$WIN64_DIR/app/win32/ZKTAudioSetup.exe" >/dev/null; then
  fail "check_pe.py accepted the x86_64 build as an i386 program"
fi
# The programs run under wine import only system DLLs too (no toolchain DLLs to find).
for exe in "$WIN64_DIR"/tests/zkt_conformance.exe "$WIN64_DIR"/tests/win32/*.exe; do
  $CHECK_PE --machine amd64 "$exe" || fail "$exe imports a DLL that is not a system DLL"
done

# ---- 3. conformance: the sim and wine64 ----
if [ ! -f "$LINUX_DIR/CMakeCache.txt" ]; then
  cmake --preset linux -B "$LINUX_DIR" >/dev/null
fi
cmake --build "$LINUX_DIR" -j"$JOBS" --target zkt_conformance

T=$(mktemp -d /tmp/zkt-windows-XXXXXX)
trap 'wine_prefix_stop "$T/pfx"; rm -rf "$T"' EXIT

# The same fixture files for both runs: the Windows test programs, the i686 build of the version
# fixture as the other bitness's, and the source fixtures.
conformance_fixtures "$T/fixtures" "$WIN64_DIR"/tests/win32/*.exe
cp "$WIN32_DIR/tests/win32/zkt_version_fixture.exe" "$T/fixtures/zkt_version_fixture_other.exe"

say "conformance on a fresh simulated machine"
rc=0
timeout 300 "$LINUX_DIR/tests/zkt_conformance" --machine "$T/machine" --fixtures "$T/fixtures" \
  >"$T/sim.out" || rc=$?
[ "$rc" -eq 0 ] || fail "the sim conformance run failed (exit $rc)"

say "conformance under wine64 in a fresh prefix"
export HOME=$T/home WINEPREFIX=$T/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
mkdir -p "$HOME"
mkdir -p "$T/pfx"
BIN=$T/pfx/drive_c/zkt-bin
cat >"$T/wine-run.sh" <<'INNER'
set -euo pipefail
source "$ROOT/scripts/lib/wine-prefix.sh"
wine_prefix_boot
conformance_install "$BIN" "$WIN64_DIR/tests/zkt_conformance.exe" "$T/fixtures"
rc=0
timeout 300 "$WINE" 'C:\zkt-bin\zkt_conformance.exe' >"$T/wine.out" 2>"$T/wine.err" || rc=$?
timeout 120 "$WINESERVER" -w || true

# The program started from a path of more than 180 characters shows the "ERROR" box of the
# path-length guard and, once it is answered, ends with exit code 0.
long=$(printf 'd%.0s' $(seq 1 170))
mkdir -p "$WINEPREFIX/drive_c/$long"
cp "$WIN64_DIR/app/win32/ZKTAudioSetup.exe" "$WINEPREFIX/drive_c/$long/"
cp -r "$ROOT/sample/." "$WINEPREFIX/drive_c/$long/"
timeout 120 "$WINE" "C:\\$long\\ZKTAudioSetup.exe" 2>>"$T/wine.err" &
pid=$!
box=$(timeout 60 xdotool search --sync --name '^ERROR$' 2>/dev/null | head -n 1) || true
# The box may be re-created while wine maps it: press Return until the program has ended.
for _ in $(seq 1 20); do
  kill -0 "$pid" 2>/dev/null || break
  for w in $(xdotool search --name '^ERROR$' 2>/dev/null); do
    xdotool key --window "$w" Return 2>/dev/null || true
  done
  sleep 0.5
done
guard=0
wait $pid || guard=$?
echo "box=${box:+shown} exit=$guard" >"$T/guard.txt"
timeout 120 "$WINESERVER" -w || true
exit $rc
INNER
export WINE WINESERVER BIN T WIN64_DIR ROOT
rc=0
timeout 900 xvfb-run -a bash "$T/wine-run.sh" || rc=$?
if [ "$rc" -ne 0 ]; then
  tail -n 20 "$T/wine.err" >&2 2>/dev/null || true
  fail "the wine64 conformance run failed (exit $rc)"
fi

# ---- 4. compare ----
say "start-up from a too long path under wine64: $(cat "$T/guard.txt" 2>/dev/null)"
grep -qx 'box=shown exit=0' "$T/guard.txt" ||
  fail "from a path over 180 characters the program must show the ERROR box and exit 0"
for f in sim.out wine.out; do
  tail -n 1 "$T/$f" | grep -q '^== end (' || fail "the $f run stopped early (no end line)"
done
# Equal but for the known wine differences, which tests/conformance/known_wine_differences.txt lists.
$PY tests/conformance/compare_runs.py --run x64 "$T/sim.out" "$T/wine.out" ||
  fail "the simulated machine and wine64 disagree (above)"
