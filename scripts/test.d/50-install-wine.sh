#!/usr/bin/env bash
# A whole installation, a second installation over it and the uninstallation of the 64-bit
# Windows build under wine64, in a fresh prefix on a 1920x1080 virtual screen, worked from
# outside as a person would (xdotool) and checked with wine's own tools (reg, tasklist, the
# file tree, lnkinfo):
#   1. install: language page, Next, tip box, Next, finish page, "No - reboot later", Finish;
#   2. install again over it: the running application closes on the broadcast, the service gets
#      control 128, is stopped, replaced and started again;
#   3. uninstall through the entry's "UninstallString": afterwards the registry and the file
#      tree equal those taken before step 1, except for what payload/UNINSTALL.md keeps.
# The 64-bit build carries x64 builds of the payload programs in every slot (this machine cannot
# run 32-bit programs); see payload/README.md.
# Build folder: ZKT_WIN64_DIR (default build/win64); output (screenshots, registry exports,
# file lists, diffs): ZKT_INSTALL_OUT (default <build folder>/install-wine).
# ZKT_KEEP_PREFIX=1 keeps the wine prefix for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD

. "$ROOT/scripts/test.d/lib/wine-checks.sh"

if [ "${1:-}" != "--inside-x" ]; then
  WIN64_DIR=${ZKT_WIN64_DIR:-build/win64}
  OUT=${ZKT_INSTALL_OUT:-$WIN64_DIR/install-wine}
  build_win64 "$WIN64_DIR" ZKTAudioSetup
  EXE=$(cd "$WIN64_DIR" && pwd)/app/win32/ZKTAudioSetup.exe
  [ -f "$EXE" ] || { echo "FAILED: $EXE was not built" >&2; exit 1; }
  grep -q "x64 builds of the programs in EVERY slot" "$WIN64_DIR/payload/payloads.ini" || {
    echo "FAILED: $WIN64_DIR does not embed the x64 payload programs" >&2; exit 1; }
  run_round "$OUT" "install, reinstall and uninstall under wine64 passed" "$EXE"
fi

# ---- inside the virtual X server ----
OUT=$2 EXE=$3
use_prefix "$4"
shot() { import -window root "$OUT/$1.png"; }
# A click at a client position: unmanaged wine windows put the client at window + (3, 22).
click() {  # window, client x, client y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + 3 + $2)) $((Y + 22 + $3)) click 1
}
# Keys go to the window that has the keyboard (a message box takes it when it appears).
press() {  # window, key
  xdotool windowfocus "$1" 2>/dev/null || true
  xdotool key "$2"
}
window() { xdotool search --name "$1" 2>/dev/null | head -1 || true; }
wait_window() {  # title pattern, seconds
  local w
  for _ in $(seq 1 "$2"); do w=$(window "$1"); [ -n "$w" ] && { echo "$w"; return 0; }; sleep 1; done
  return 1
}
wait_gone() {  # title pattern, seconds
  for _ in $(seq 1 "$2"); do [ -z "$(window "$1")" ] && return 0; sleep 1; done
  return 1
}

lnk_target() { lnkinfo "$1" 2>/dev/null | sed -n -E 's/^\s*Local path\s*:\s*//p' | head -1; }

say "fresh wine prefix in $T; the 64-bit build carries x64 payload programs in every slot"
$WINE wineboot -i >/dev/null 2>&1
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w
SETUP_DIR="$C/users/Public/ZKTAudioSetup"
mkdir -p "$SETUP_DIR"
cp -r "$ROOT/sample/." "$SETUP_DIR/"
find "$SETUP_DIR" -name '*.sh' -delete
cp "$EXE" "$SETUP_DIR/"
SETUP='C:\users\Public\ZKTAudioSetup\ZKTAudioSetup.exe'
# Let the prefix settle (wine writes some values after its first programs ran).
$WINE cmd /c exit >/dev/null 2>&1
/usr/lib/wine/wineserver -w
snapshot before

WIZARD="^ZKT 7.1 USB Audio Setup"
install_once() {  # run number
  local n=$1 w b
  $WINE "$SETUP" >/dev/null 2>&1 &
  local setup_pid=$!
  w=$(wait_window "$WIZARD" 60) || die "install $n: the wizard did not appear"
  sleep 2
  shot "install$n-1-language"
  click "$w" 157 131                                   # Next
  b=$(wait_window "^Install$" 20) || die "install $n: no anti-virus tip box"
  sleep 1
  shot "install$n-2-antivirus-tip"
  press "$b" Return
  wait_gone "^Install$" 10 || die "install $n: the tip box stayed"
  click "$w" 157 131                                   # Next: the installation starts
  sleep 1
  shot "install$n-3-installing"
  # The finish page: the Next button's place turns plain when the worker has completed.
  local done=0
  for _ in $(seq 1 180); do
    sleep 1
    b=$(window "^Install$")
    if [ -n "$b" ]; then shot "install$n-3b-message"; die "install $n: the setup showed a message box (screenshot install$n-3b-message)"; fi
    import -window "$w" "$T/probe.png" 2>/dev/null || continue
    probe=$(convert "$T/probe.png" -crop 75x25+123+141 -format '%[fx:standard_deviation]' info:)
    if awk -v s="$probe" 'BEGIN { exit !(s < 0.01) }'; then done=1; break; fi
  done
  [ "$done" = 1 ] || die "install $n: the finish page did not come"
  shot "install$n-4-finish"
  click "$w" 48 101                                    # "No - reboot later"
  sleep 0.5
  shot "install$n-5-no-reboot"
  click "$w" 269 131                                   # Finish: starts the main application
  for _ in $(seq 1 30); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 1; done
  kill -0 "$setup_pid" 2>/dev/null && die "install $n: the setup did not end after Finish"
  wait "$setup_pid" || true
}

PF='C:\Program Files\ZKT 72xx Audio'
PFU="$C/Program Files/ZKT 72xx Audio"
SOFT='HKLM\Software\ZKT 72xx Software'
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZKT72xxAudioExt'
PROGRAMS="$C/ProgramData/Microsoft/Windows/Start Menu/Programs/ZKT 72xx Audio"
DESKTOP=$(ls -d "$C"/users/*/Desktop 2>/dev/null | grep -v Public | head -1)
APPDATA_DIR=$(dirname "$DESKTOP")/AppData/Roaming

check_installed() {
  say "checks after install $1"
  check "uninstall entry DisplayName" equals "$(regval "$UNINST" DisplayName)" "ZKT 72xx USB Audio"
  check "uninstall entry UninstallString (quoted, no arguments)" \
    equals "$(regval "$UNINST" UninstallString)" "\"$PF\\ZKTAudioUninstall.exe\""
  check "uninstall entry DisplayIcon" equals "$(regval "$UNINST" DisplayIcon)" "$PF\\ZKTAudioUninstall.exe"
  check "uninstall entry DisplayVersion" equals "$(regval "$UNINST" DisplayVersion)" "1.0.0.0"
  check "uninstall entry Publisher" equals "$(regval "$UNINST" Publisher)" "ZKT"
  check "Run value" equals "$(regval 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' ZKTAudioControl)" \
    "\"$PF\\ZKTAudioControl.exe\" -boot"
  local group digit stem path line count=0
  for group in C B D; do
    case $group in
      C) path="$PF\\ZKTAudioControl.exe" ;;
      B) path="$PF\\Plugin\\ZKTEffect\\ZKTEffect.exe" ;;
      D) path="$PF\\Plugin\\ZKTSoundEffect\\ZKTSoundEffect.exe" ;;
    esac
    digit=0
    for stem in UserPrivilegeExecution AdminPrivilegeExecution SystemPrivilegeExecution \
                SystemPrivilegeExecutionOnBoot AdminPrivilegeExecutionOnBoot; do
      case $stem in *OnBoot) line="\"$path\" -serviceboot" ;; *) line="\"$path\" -servicestart" ;; esac
      [ "$(regval "$SOFT" "${stem}_$group$digit")" = "$line" ] && count=$((count + 1)) ||
        printf '         %s_%s%s: got "%s"\n' "$stem" "$group" "$digit" "$(regval "$SOFT" "${stem}_$group$digit")"
      digit=$((digit + 1))
    done
  done
  check "the fifteen launch-mode values" equals "$count" 15
  check "USB device-ID group" equals "$(regval 'HKLM\Software\ZKT USB DeviceId Group' 1 | cut -d, -f1)" \
    'USB\VID_B7D2&PID_7201&REV_0100&MI_00'
  check "USB device-ID group, third entry" equals \
    "$(regval 'HKLM\Software\ZKT USB DeviceId Group' 3 | cut -d, -f1)" 'USB\VID_B7D2&PID_72XX&REV_0100&MI_00'
  check "HID device-ID group" equals "$(regval 'HKLM\Software\ZKT HID DeviceId Group' 2 | cut -d, -f1)" \
    'HID\VID_B7D2&PID_72XX&REV_0100&MI_03'
  check "default setting EncEnable" equals "$(regval "$SOFT" EncEnable)" 0x1
  check "default setting Virtual7ch1Scalar" equals "$(regval "$SOFT" Virtual7ch1Scalar)" 0x64
  check "level table Level2" equals "$(regval "$SOFT\\EncValueMap" Level2)" 0x14
  local zev='HKLM\System\CurrentControlSet\Services\ZEVor'
  check "driver service key Type/Start/ErrorControl" equals \
    "$(regval "$zev" Type) $(regval "$zev" Start) $(regval "$zev" ErrorControl)" "0x1 0x3 0x1"
  check "driver service key ImagePath" equals "$(regval "$zev" ImagePath)" 'System32\DRIVERS\ZEVor.sys'
  local svc='HKLM\System\CurrentControlSet\Services\AudioDeviceService'
  check "service registered with its quoted image" equals "$(regval "$svc" ImagePath)" \
    '"C:\windows\system32\AudioDeviceService.exe"'
  check "service start type automatic" equals "$(regval "$svc" Start)" 0x2
  check "service running (sc query)" equals "$(service_state AudioDeviceService)" RUNNING
  check "service process" running AudioDeviceService.exe
  check "driver image" exists "$C/windows/system32/drivers/ZEVor.sys"
  check "service image" exists "$C/windows/system32/AudioDeviceService.exe"
  check "update package" exists "$C/windows/system32/Windows6.1-KB3033929-x64.msu"
  local f
  # The setup's folder copy puts the skin and language folders one level deeper (Skin\Skin).
  for f in ZKTAudioControl.exe ZKTAudioUninstall.exe AudioConfig.cfg Setup.ico bee.wav \
           DLLZK_UsbAudio72xx_x32.dll Skin/Skin/1920x1080/Background.png \
           Language/Language/English/Language.ini \
           Manual/English/UserManual.txt Plugin/ZKTEffect/ZKTEffect.exe \
           Plugin/ZKTSoundEffect/ZKTSoundEffect.exe; do
    check "install folder: $f" exists "$PFU/$f"
  done
  check "Start menu: application shortcut" equals "$(lnk_target "$PROGRAMS/ZKT Audio Control.lnk")" \
    "$PF\\ZKTAudioControl.exe"
  check "Start menu: uninstaller shortcut" equals \
    "$(lnk_target "$PROGRAMS/Uninstall ZKT 72xx Audio.lnk")" "$PF\\ZKTAudioUninstall.exe"
  check "Start menu: manual shortcut" equals "$(lnk_target "$PROGRAMS/ZKT Audio User Manual.lnk")" \
    "$PF\\Manual\\English\\UserManual.txt"
  check "desktop shortcut" equals "$(lnk_target "$DESKTOP/ZKT Audio Control.lnk")" "$PF\\ZKTAudioControl.exe"
  check "main application started by Finish" running ZKTAudioControl.exe
  check "main application's window" test -n "$(wait_window 'ZKT 72xx USB Audio - Audio Control' 10 || true)"
}

say "1. install"
install_once 1
sleep 2
shot "install1-6-application"
check_installed 1
say "a second start of the main application brings the first to the front"
APP_TITLE='^ZKT 72xx USB Audio - Audio Control$'
app_window=$(window "$APP_TITLE")
size() { xdotool getwindowgeometry "$app_window" | sed -n 's/ *Geometry: //p'; }
app_size=$(size)
# The caption's minimise button (wine draws the caption of an unmanaged window itself).
eval "$(xdotool getwindowgeometry --shell "$app_window")"
xdotool mousemove $((X + WIDTH - 50)) $((Y + 12)) click 1
sleep 1
shot "install1-7-application-minimised"
check "the application was minimised ($app_size -> $(size))" test "$(size)" != "$app_size"
$WINE "$PF\ZKTAudioControl.exe" >/dev/null 2>&1 &
second=$!
for _ in $(seq 1 20); do kill -0 "$second" 2>/dev/null || break; sleep 0.5; done
check "the second start ended by itself" sh -c "! kill -0 $second 2>/dev/null"
check "one main application runs" equals "$(count_of ZKTAudioControl.exe)" 1
sleep 1
shot "install1-8-application-in-front"
check "the first one's window is restored" equals "$(size)" "$app_size"
say "the effect application started as the service does at system start"
$WINE "$PF\Plugin\ZKTEffect\ZKTEffect.exe" -serviceboot >/dev/null 2>&1 &
effect_window=$(wait_window '^ZKT 72xx USB Audio - Effect$' 20 || true)
check "the effect application runs" test -n "$effect_window"
sleep 1
check "it begins minimised" equals \
  "$(xdotool getwindowgeometry "$effect_window" 2>/dev/null | sed -n 's/ *Geometry: //p')" "160x24"
service_pid1=$(pid_of AudioDeviceService.exe)
app_pid1=$(pid_of ZKTAudioControl.exe)
image_time1=$(stat -c %y "$C/windows/system32/AudioDeviceService.exe" 2>/dev/null || echo none)
LOG="$C/ProgramData/ZKT 72xx Software/AudioDeviceService.log"
log_lines1=$(wc -l <"$LOG" 2>/dev/null || echo 0)
snapshot installed1

say "2. install again over the installation"
sleep 1
install_once 2
sleep 2
shot "install2-6-application"
say "checks of the second installation"
check "the first main application ended (process $app_pid1)" test ! -e "/proc/$app_pid1"
tail -n +"$((log_lines1 + 1))" "$LOG" >"$OUT/service-log-install2.txt" 2>/dev/null || true
check "the effect application closed too" not_running ZKTEffect.exe
check "the service got control 128" grep -q "Control 128: asking the companion applications to exit" "$OUT/service-log-install2.txt"
check "the service was stopped" grep -q "Service stopped" "$OUT/service-log-install2.txt"
check "the service was registered again over the existing one" grep -q "Registration: existing service updated" "$OUT/service-log-install2.txt"
check "the service started again" grep -q "Service running" "$OUT/service-log-install2.txt"
service_pid2=$(pid_of AudioDeviceService.exe)
check "the service runs in a new process ($service_pid1 -> $service_pid2)" \
  test -n "$service_pid2" -a "$service_pid2" != "$service_pid1" -a ! -e "/proc/$service_pid1"
check "the service image was written again" \
  test "$(stat -c %y "$C/windows/system32/AudioDeviceService.exe")" != "$image_time1"
check_installed 2
snapshot installed2

say "3. uninstall through the entry's UninstallString"
uninstall=$(regval "$UNINST" UninstallString)
# Windows runs the string as a command line; here wine starts the program it names.
uninstall_path=${uninstall#\"}
uninstall_path=${uninstall_path%%\"*}
$WINE "$uninstall_path" >/dev/null 2>&1 &
uninstall_pid=$!
b=$(wait_window "^ZKT 72xx Audio Uninstall$" 30) || die "the uninstaller's question did not appear"
sleep 1
shot "uninstall-1-confirm"
press "$b" y                               # Yes
sleep 2
b=$(wait_window "^ZKT 72xx Audio Uninstall$" 30) || die "the uninstaller's second question did not appear"
shot "uninstall-2-user-data"
press "$b" Return                          # No (the default): keep the settings
sleep 1
report=""
for _ in $(seq 1 90); do
  kill -0 "$uninstall_pid" 2>/dev/null || break
  b=$(window "^ZKT 72xx Audio Uninstall$")
  if [ -n "$b" ]; then sleep 1; shot "uninstall-3-report"; report=yes; press "$b" Return; sleep 1; fi
  sleep 1
done
kill -0 "$uninstall_pid" 2>/dev/null && die "the uninstaller did not end"
wait "$uninstall_pid" && uninstall_status=0 || uninstall_status=$?
check "the uninstaller reported" test -n "$report"
check "the uninstaller removed everything (exit code 0)" equals "$uninstall_status" 0
check "the service process ended" not_running AudioDeviceService.exe
check "the main application ended" not_running ZKTAudioControl.exe
check "the service is gone (sc query)" equals "$(service_state AudioDeviceService)" ""
snapshot uninstalled
say "restart of Windows (wineboot -r): the uninstaller's own file and folder go"
$WINE wineboot -r >/dev/null 2>&1 || true
snapshot restarted

say "comparison with the state before step 1"
# Kept on purpose (payload/UNINSTALL.md): the user's settings under APPDATA.
compare_with_before before restarted "^\./users/[^/]+/AppData/Roaming/ZKT 72xx Audio(/|$)"
check "user settings kept" exists "$APPDATA_DIR/ZKT 72xx Audio/AudioConfig.cfg"

for s in install1-1-language install1-2-antivirus-tip install1-3-installing install1-4-finish \
         install2-4-finish uninstall-1-confirm uninstall-2-user-data uninstall-3-report; do
  check "screenshot $s" test -s "$OUT/$s.png"
done
[ "$failures" = 0 ] || die "$failures check(s) failed"
