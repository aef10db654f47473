#!/usr/bin/env bash
# The unattended install and uninstall of the 64-bit Windows build under wine64, in a fresh
# prefix, with nobody at the screen, checked with wine's own tools (reg, the file tree):
#   1. "ZKTAudioSetup.exe /S": exit code 3010 (a restart is suggested), everything installed,
#      the complete uninstall entry, the log in %TEMP%;
#   2. the entry's "QuietUninstallString" (the uninstaller with /S): exit code 0; after a restart
#      of Windows the registry and the file tree equal those taken before step 1, except for the
#      user's settings (kept) and the log;
#   3. "/S" again while a program holds the application's file open without sharing: the step
#      that writes it fails, and the exit code is that step's, 0x80000003.
# The exit codes are read through tests/win32/zkt_test_exec.exe (a shell sees only 8 bits).
# Build folder: ZKT_WIN64_DIR (default build/win64); output: ZKT_UNATTENDED_OUT (default
# <build folder>/unattended-wine). ZKT_KEEP_PREFIX=1 keeps the wine prefix.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD

# shellcheck source=../../scripts/lib/wine-x.sh
. "$ROOT/scripts/lib/wine-x.sh"

if [ "${1:-}" != "--inside-x" ]; then
  WIN64_DIR=${ZKT_WIN64_DIR:-build/win64}
  OUT=${ZKT_UNATTENDED_OUT:-$WIN64_DIR/unattended-wine}
  zkt_build_win64 "$WIN64_DIR" ZKTAudioSetup zkt_test_exec zkt_hold_file
  rm -rf "$OUT"
  mkdir -p "$OUT"
  # The setup makes (hidden) windows: wine needs a display even when nothing is shown.
  zkt_run_in_x "$0" "$(cd "$WIN64_DIR" && pwd)" "$(cd "$OUT" && pwd)" ||
    { echo "FAILED (output in $OUT)" >&2; exit 1; }
  echo "-- unattended install and uninstall under wine64 passed (output in $OUT)"
  exit 0
fi

# ---- inside the virtual X server ----
T=$2 BIN=$3 OUT=$4
zkt_wine_env "$T"
WINE=/usr/lib/wine/wine64
C=$WINEPREFIX/drive_c
# shellcheck source=../../scripts/lib/wine-checks.sh
. "$ROOT/scripts/lib/wine-checks.sh"

# Checks that snapshot AFTER equals BEFORE, apart from files matching KEPT (an extended regular
# expression over "./path" lines; payload/UNINSTALL.md lists what is kept on purpose).
compare_with_before() {  # before, after, kept
  diff <(grep -Ev "$volatile_files" "$OUT/$1.files") \
       <(grep -Ev "$3|$volatile_files" "$OUT/$2.files") >"$OUT/files.diff" || true
  check "file tree as before (files.diff empty)" test ! -s "$OUT/files.diff"
  [ -s "$OUT/files.diff" ] && head -20 "$OUT/files.diff" | sed 's/^/         /'
  diff <(flatten "$OUT/$1.reg") <(flatten "$OUT/$2.reg") >"$OUT/registry.diff" || true
  check "registry as before (registry.diff empty)" test ! -s "$OUT/registry.diff"
  [ -s "$OUT/registry.diff" ] && head -30 "$OUT/registry.diff" | sed 's/^/         /'
  return 0
}
# Runs a Windows command line (as one string, quotes and all) and prints its whole exit code.
exit_code_of() { $WINE 'C:\zkt-test\zkt_test_exec.exe' "$@" 2>/dev/null | tr -d '\r' | tail -1; }

say "fresh wine prefix in $T"
$WINE wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
SETUP_DIR="$C/users/Public/ZKTAudioSetup"
mkdir -p "$SETUP_DIR" "$C/zkt-test"
cp -r "$ROOT/sample/." "$SETUP_DIR/"
find "$SETUP_DIR" -name '*.sh' -delete
cp "$BIN/app/win32/ZKTAudioSetup.exe" "$SETUP_DIR/"
cp "$BIN/tests/win32/helpers/zkt_test_exec.exe" "$BIN/tests/win32/zkt_hold_file.exe" "$C/zkt-test/"
SETUP='C:\users\Public\ZKTAudioSetup\ZKTAudioSetup.exe'
$WINE cmd /c exit >/dev/null 2>&1
/usr/lib/wine/wineserver -w
snapshot before

PF='C:\Program Files\ZKT 72xx Audio'
PFU="$C/Program Files/ZKT 72xx Audio"
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZKT72xxAudioExt'
log_file() { find "$C/users" -path '*Temp/ZKTAudioSetup.log' 2>/dev/null | head -1; }

say "1. ZKTAudioSetup.exe /S"
started=$(date +%s)
code=$(exit_code_of "\"$SETUP\" /S")
say "   ended after $(( $(date +%s) - started )) s with exit code $code"
check "exit code 3010: installed, a restart suggested (the update step ran)" equals "$code" 3010
check "the setup process ended by itself" not_running ZKTAudioSetup.exe
check "application installed" exists "$PFU/ZKTAudioControl.exe"
check "uninstaller installed" exists "$PFU/ZKTAudioUninstall.exe"
check "service running (sc query)" equals "$(service_state AudioDeviceService)" RUNNING
check "no application started at the end" not_running ZKTAudioControl.exe
check "entry: DisplayName" equals "$(regval "$UNINST" DisplayName)" "ZKT 72xx USB Audio"
check "entry: InstallLocation" equals "$(regval "$UNINST" InstallLocation)" "$PF\\"
check "entry: InstallDate (today)" equals "$(regval "$UNINST" InstallDate)" "$(date +%Y%m%d)"
check "entry: NoModify" equals "$(regval "$UNINST" NoModify)" 0x1
check "entry: NoRepair" equals "$(regval "$UNINST" NoRepair)" 0x1
quiet=$(regval "$UNINST" QuietUninstallString)
check "entry: QuietUninstallString" equals "$quiet" "\"$PF\\ZKTAudioUninstall.exe\" /S"
size_kb=$(( $(regval "$UNINST" EstimatedSize) ))
folder_kb=$(( ($(find "$PFU" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }') + 1023) / 1024 ))
check "entry: EstimatedSize = the install folder's size ($folder_kb KB)" equals "$size_kb" "$folder_kb"
LOG=$(log_file)
check "the log is in %TEMP%" test -n "$LOG"
[ -n "$LOG" ] && cp "$LOG" "$OUT/install.log"
check "log header: arguments" grep -q "Arguments: /S" "$OUT/install.log"
check "log header: Windows" grep -q "Windows: [0-9.]* Service Pack" "$OUT/install.log"
check "log: the steps" grep -q "===== Install STEP4 =====" "$OUT/install.log"
check "log: the exit code" grep -q "Setup ended with exit code 3010" "$OUT/install.log"
snapshot installed

say "2. the entry's QuietUninstallString: $quiet"
code=$(exit_code_of "$quiet")
check "uninstaller exit code 0 (everything removed)" equals "$code" 0
check "the service process ended" not_running AudioDeviceService.exe
check "the service is gone (sc query)" equals "$(service_state AudioDeviceService)" ""
check "the entry is gone" no_key "$UNINST"
snapshot uninstalled
say "restart of Windows (wineboot -r): the uninstaller's own file and folder go"
$WINE wineboot -r >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w
snapshot restarted
say "comparison with the state before step 1"
# Kept on purpose: the user's settings (uninstall /S keeps them); the log lies in Temp.
compare_with_before before restarted "^\./users/[^/]+/AppData/Roaming/ZKT 72xx Audio(/|$)"

say "3. /S while the application's file is held open without sharing"
$WINE 'C:\zkt-test\zkt_hold_file.exe' "$PF\\ZKTAudioControl.exe" 120 >"$T/hold.out" 2>&1 &
holder=$!
for _ in $(seq 1 30); do grep -q held "$T/hold.out" 2>/dev/null && break; sleep 0.5; done
grep -q held "$T/hold.out" || die "the file could not be held open: $(cat "$T/hold.out")"
code=$(exit_code_of "\"$SETUP\" /S /log=C:\\zkt-test\\failing.log")
check "exit code 0x80000003 (STEP3) = $((0x80000003))" equals "$code" "$((0x80000003))"
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
cp "$C/zkt-test/failing.log" "$OUT/failing.log" 2>/dev/null || true
check "the log (/log=) names the step's own result" grep -q "Step result 0x80000302" "$OUT/failing.log"
check "the log has the message that was not shown" grep -q "(Code = 0x80000003)" "$OUT/failing.log"
check "earlier steps stay installed (driver)" exists "$C/windows/system32/drivers/ZEVor.sys"

[ "$failures" = 0 ] || die "$failures check(s) failed"
