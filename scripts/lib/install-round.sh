#!/usr/bin/env bash
# One round of install, reinstall and uninstall of the setup program under wine, in a fresh
# prefix, worked from outside as a person would (xdotool) and checked with wine's own tools (reg,
# sc, the file tree, lnkinfo). Runs inside a virtual X server:
#   install-round.sh KIND SETUP_EXE OUTPUT_DIR WORK_DIR
# KIND says what the machine sees of the program:
#   x64    the 64-bit build: a 64-bit program with x64 payload programs in every slot;
#   wow64  the product: the i686 program with its i686 payload programs under WOW64 and the x64
#          service natively; its HKLM\SOFTWARE values belong in WOW6432Node, the update package
#          in SysWOW64, the applications in Program Files (x86), while the driver and the
#          service image go to the native System32 through switched-off redirection.
# The steps:
#   1. install: language page, Next, tip box, Next, finish page, "No - reboot later", Finish;
#   2. install again over it: the running application closes on the broadcast, the service gets
#      control 128, is stopped, replaced and started again;
#   3. a copy of the uninstaller started from the setup folder changes nothing;
#   4. uninstall through the entry's "UninstallString" with a file of the user's in the install
#      folder (kept); the uninstaller moves itself aside for the restart;
#   5. a second uninstall changes nothing;
#   6. install again before the restart, restart (wineboot -r): the new files survive;
#   7. uninstall with links planted as the install folder's Manual and the APPDATA settings
#      folder (their targets survive), restart: afterwards the registry and the file tree equal
#      those taken before step 1, except for what payload/UNINSTALL.md keeps.
# Output: screenshots, registry exports, file lists and diffs in OUTPUT_DIR; the prefix in
# WORK_DIR/pfx.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
KIND=$1 EXE=$2 OUT=$3 T=$4
mkdir -p "$T/home"
export HOME=$T/home WINEPREFIX=$T/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
export WINEARCH=win64
WINE=/usr/lib/wine/wine64
C=$WINEPREFIX/drive_c

case $KIND in
  x64)
    SOFTWARE='HKLM\Software' PROGRAM_FILES='Program Files' UPDATE_DIR=system32 APP_BITS=64
    SLOW=1 ;;
  wow64)
    SOFTWARE='HKLM\Software\WOW6432Node' PROGRAM_FILES='Program Files (x86)' UPDATE_DIR=syswow64
    APP_BITS=32
    SLOW=3 ;;  # the 32-bit programs run emulated: more time for their windows to come
  *) echo "usage: $0 x64|wow64 SETUP_EXE OUTPUT_DIR WORK_DIR" >&2; exit 2 ;;
esac

# shellcheck source=wine-checks.sh
. "$ROOT/scripts/lib/wine-checks.sh"
# A check that fails today for a known fault of the product: its failure is reported and not
# counted, its success is reported loudly so that the mark gets removed. Never a way to skip.
known_faults=0
check_known_fault() {  # description, fault, command...
  local what=$1 fault=$2; shift 2
  if "$@"; then
    printf '   XPASS %s (marked as failing for: %s; the fault is mended, drop the mark)\n' "$what" "$fault"
    known_faults=$((known_faults + 1))
  else
    printf '   XFAIL %s (known fault: %s)\n' "$what" "$fault"
  fi
}
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
  for _ in $(seq 1 $(($2 * SLOW))); do w=$(window "$1"); [ -n "$w" ] && { echo "$w"; return 0; }; sleep 1; done
  return 1
}
# The mean brightness of a part of the screen.
brightness() {  # WxH+X+Y
  import -window root -crop "$1" png:- 2>/dev/null | convert - -format '%[fx:mean]' info: 2>/dev/null
}
# A dialog is drawn when its place on the screen shows its light face, neither black nor the
# dark background picture.
wait_drawn() {  # window, seconds
  for _ in $(seq 1 $(($2 * SLOW))); do
    eval "$(xdotool getwindowgeometry --shell "$1")"
    awk -v m="$(brightness "${WIDTH}x${HEIGHT}+$X+$Y")" 'BEGIN { exit !(m > 0.6) }' && return 0
    sleep 1
  done
  return 1
}
# The background picture is drawn when the screen's corner is no longer black.
wait_background() {  # seconds
  for _ in $(seq 1 $(($1 * SLOW))); do
    awk -v m="$(brightness 10x10+5+5)" 'BEGIN { exit !(m > 0.05) }' && return 0
    sleep 1
  done
  return 1
}
wait_gone() {  # title pattern, seconds
  for _ in $(seq 1 $(($2 * SLOW))); do [ -z "$(window "$1")" ] && return 0; sleep 1; done
  return 1
}

# 32 or 64: a 32-bit Windows program runs in the 32-bit wine loader, which the kernel hands to
# qemu-i386; a 64-bit one in wine64's own loader.
bits_of() {  # program file name
  local p exe
  p=$(pid_of "$1")
  [ -n "$p" ] || { echo "not running"; return 0; }
  exe=$(readlink "/proc/$p/exe" 2>/dev/null || true)
  case $exe in */qemu-i386*) echo 32 ;; */wine64*) echo 64 ;; *) echo "unknown ($exe)" ;; esac
}
lnk_target() { lnkinfo "$1" 2>/dev/null | sed -n -E 's/^\s*Local path\s*:\s*//p' | head -1; }

case $KIND in
  x64) say "fresh wine prefix in $T; the 64-bit build carries x64 payload programs in every slot" ;;
  wow64) say "fresh 64-bit wine prefix in $T; the i686 product and its programs run under WOW64" ;;
esac
$WINE wineboot -i >/dev/null 2>&1
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
if [ "$KIND" = wow64 ]; then
  # Wine says Windows 7 SP1, where a 32-bit setup on x64 installs the update KB3033929 through
  # wusa; the update slot holds a stand-in, no update. Windows 10 needs no update.
  $WINE winecfg -v win10 >/dev/null 2>&1
fi
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
  check "install $n: the setup runs as a $APP_BITS-bit process" equals "$(bits_of ZKTAudioSetup.exe)" "$APP_BITS"
  wait_background 30 || die "install $n: the background picture was not drawn"
  if [ "$KIND" = wow64 ]; then
    # Windows keeps an owned window above its owner. The 32-bit wine, slowed by the emulator,
    # maps the background's X window after the wizard's and leaves it on top (a fault of
    # wine's X stacking, not of the setup): raised here so that a person and the screenshots
    # see the wizard.
    xdotool windowraise "$w"
  fi
  wait_drawn "$w" 30 || die "install $n: the wizard was not drawn"
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
  for _ in $(seq 1 $((180 * SLOW))); do
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
  for _ in $(seq 1 $((30 * SLOW))); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 1; done
  kill -0 "$setup_pid" 2>/dev/null && die "install $n: the setup did not end after Finish"
  wait "$setup_pid" || true
}

LOG="$C/ProgramData/ZKT 72xx Software/AudioDeviceService.log"
PF="C:\\$PROGRAM_FILES\\ZKT 72xx Audio"
PFU="$C/$PROGRAM_FILES/ZKT 72xx Audio"
SOFT="$SOFTWARE\\ZKT 72xx Software"
UNINST="$SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt"
RUN="$SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
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
  check "Run value" equals "$(regval "$RUN" ZKTAudioControl)" \
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
  check "USB device-ID group" equals "$(regval "$SOFTWARE\\ZKT USB DeviceId Group" 1 | cut -d, -f1)" \
    'USB\VID_B7D2&PID_7201&REV_0100&MI_00'
  check "USB device-ID group, third entry" equals \
    "$(regval "$SOFTWARE\\ZKT USB DeviceId Group" 3 | cut -d, -f1)" 'USB\VID_B7D2&PID_72XX&REV_0100&MI_00'
  check "HID device-ID group" equals "$(regval "$SOFTWARE\\ZKT HID DeviceId Group" 2 | cut -d, -f1)" \
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
  check "service runs as LocalService" equals "$(regval "$svc" ObjectName)" 'NT AUTHORITY\LocalService'
  check "service running (sc query)" equals "$(service_state AudioDeviceService)" RUNNING
  check "service process" running AudioDeviceService.exe
  check "driver image" exists "$C/windows/system32/drivers/ZEVor.sys"
  check "service image" exists "$C/windows/system32/AudioDeviceService.exe"
  check "update package" exists "$C/windows/$UPDATE_DIR/Windows6.1-KB3033929-x64.msu"
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
  check "the main application runs as a $APP_BITS-bit process" equals "$(bits_of ZKTAudioControl.exe)" "$APP_BITS"
  check "the service runs as a 64-bit process" equals "$(bits_of AudioDeviceService.exe)" 64
  if [ "$KIND" = wow64 ]; then check_wow64_layout; fi
  # Wine reports the logged-on user as the owner of every file, so the service treats its log
  # folder like one a user made first and logs to the debugger output only (on Windows the
  # folder is the administrators'). What only the log would show is a wine difference here;
  # the unit tests read the setup's values with the service's view on the simulated machine.
  check "wine: the service refuses the user-owned log folder (no log written)" absent "$LOG"
  if [ -e "$LOG" ]; then
    check "the service read what the setup wrote (its log)" service_read_setup_values
  else
    printf '   WINE  %s\n' "the service read what the setup wrote: no log under wine (see above)"
  fi
}

# What only a 32-bit setup on a 64-bit Windows shows: its own registry view and folders, and the
# 64-bit parts written past the redirection.
check_wow64_layout() {
  local key
  for key in 'ZKT 72xx Software' 'ZKT USB DeviceId Group' 'ZKT HID DeviceId Group' \
             'Microsoft\Windows\CurrentVersion\Uninstall\ZKT72xxAudioExt'; do
    check "nothing in the 64-bit view: HKLM\\Software\\$key" no_key "HKLM\\Software\\$key"
  done
  check "no Run value in the 64-bit view" \
    equals "$(regval 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' ZKTAudioControl)" ""
  check "update package not in the native System32" absent "$C/windows/system32/Windows6.1-KB3033929-x64.msu"
  check "driver image not in SysWOW64" absent "$C/windows/syswow64/drivers/ZEVor.sys"
  check "service image not in SysWOW64" absent "$C/windows/syswow64/AudioDeviceService.exe"
  check "nothing in the 64-bit Program Files" absent "$C/Program Files/ZKT 72xx Audio"
}

# The log of the service's latest start shows the values the setup wrote: all fifteen launch
# modes usable, the device-ID groups, the default settings and the level table.
service_read_setup_values() {
  local part=$OUT/service-log-last-start.txt line missing=0
  awk '/Service starting:/ { n = 0 } { line[n++] = $0 } END { for (i = 0; i < n; i++) print line[i] }' \
    "$LOG" >"$part" 2>/dev/null || true
  for line in "15 of 15 launch modes are usable" \
              'USB device ID 1 = USB\VID_B7D2&PID_7201&REV_0100&MI_00' \
              'HID device ID 2 = HID\VID_B7D2&PID_72XX&REV_0100&MI_03' \
              "Default setting EncEnable = 1" "Default setting Virtual7ch1Scalar = 100" \
              "Level Level2 = 20"; do
    grep -qF -- "$line" "$part" || { printf '         not in the log: %s\n' "$line"; missing=1; }
  done
  return "$missing"
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
for _ in $(seq 1 $((20 * SLOW))); do kill -0 "$second" 2>/dev/null || break; sleep 0.5; done
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
snapshot installed1

say "2. install again over the installation"
sleep 1
install_once 2
sleep 2
shot "install2-6-application"
say "checks of the second installation"
check "the first main application ended (process $app_pid1)" test ! -e "/proc/$app_pid1"
check "the effect application closed too" not_running ZKTEffect.exe
# Without a log under wine (check_installed), control 128, the stop and the new start show in
# the processes.
service_pid2=$(pid_of AudioDeviceService.exe)
check "the service runs in a new process ($service_pid1 -> $service_pid2)" \
  test -n "$service_pid2" -a "$service_pid2" != "$service_pid1" -a ! -e "/proc/$service_pid1"
check "the service image was written again" \
  test "$(stat -c %y "$C/windows/system32/AudioDeviceService.exe")" != "$image_time1"
check_installed 2
snapshot installed2

# The uninstaller, started as Windows runs the entry's string; answers the user-data question
# with the given key (Return: No, the default; y: Yes). Sets uninstall_status and report.
run_uninstaller() {  # program path, user-data key, screenshot prefix
  $WINE "$1" >/dev/null 2>&1 &
  local pid=$! b
  b=$(wait_window "^ZKT 72xx Audio Uninstall$" 30) || die "$3: the uninstaller's question did not appear"
  sleep 1
  shot "$3-1-confirm"
  press "$b" y                               # Yes
  sleep 2
  b=$(wait_window "^ZKT 72xx Audio Uninstall$" 30) || die "$3: the uninstaller's second question did not appear"
  shot "$3-2-user-data"
  press "$b" "$2"
  sleep 1
  report=""
  for _ in $(seq 1 $((90 * SLOW))); do
    kill -0 "$pid" 2>/dev/null || break
    b=$(window "^ZKT 72xx Audio Uninstall$")
    if [ -n "$b" ]; then sleep 1; shot "$3-3-report"; report=yes; press "$b" Return; sleep 1; fi
    sleep 1
  done
  kill -0 "$pid" 2>/dev/null && die "$3: the uninstaller did not end"
  wait "$pid" && uninstall_status=0 || uninstall_status=$?
}
# A copy of the uninstaller that must change nothing: one message, exit code 1605.
run_refusing_uninstaller() {  # program path, screenshot name
  $WINE "$1" >/dev/null 2>&1 &
  local pid=$! b status
  b=$(wait_window "^ZKT 72xx Audio Uninstall$" 30) || die "$2: no message"
  sleep 1
  shot "$2"
  press "$b" Return
  for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 1; done
  kill -0 "$pid" 2>/dev/null && die "$2: the uninstaller did not end"
  wait "$pid" && status=0 || status=$?
  # The shell sees the low byte of the exit code.
  check "$2: exit code 1605 (nothing changed)" equals "$status" $((1605 % 256))
}
same_state() {  # snapshot a, snapshot b
  diff <(flatten "$OUT/$1.reg") <(flatten "$OUT/$2.reg") >"$OUT/$2.reg.diff" &&
    diff <(grep -Ev "$volatile_files" "$OUT/$1.files") <(grep -Ev "$volatile_files" "$OUT/$2.files") \
      >"$OUT/$2.files.diff"
}

say "3. the uninstaller copied to the setup folder and started there changes nothing"
cp "$PFU/ZKTAudioUninstall.exe" "$SETUP_DIR/ZKTAudioUninstall.exe"
snapshot copy-placed
run_refusing_uninstaller 'C:\users\Public\ZKTAudioSetup\ZKTAudioUninstall.exe' uninstall-copy
sleep 1
sleep 2
snapshot copy-ran
check "registry and files as before it ran" same_state copy-placed copy-ran
check "the service still runs" equals "$(service_state AudioDeviceService)" RUNNING

say "4. uninstall through the entry's UninstallString, with a file of the user's in the folder"
# Wine processes the restart queue whenever its server starts again, which it does when the
# last program ended: a program kept open keeps "Windows" from restarting until step 6 says so.
$WINE notepad >/dev/null 2>&1 &
keeper=$!
# Its window first: one that comes up while the uninstaller asks would take the keys meant for
# the question.
wait_window "Notepad" 60 >/dev/null || die "the program kept open did not start"
sleep 1
echo "my notes" >"$PFU/My notes.txt"
uninstall=$(regval "$UNINST" UninstallString)
# Windows runs the string as a command line; here wine starts the program it names.
uninstall_path=${uninstall#\"}
uninstall_path=${uninstall_path%%\"*}
run_uninstaller "$uninstall_path" Return uninstall   # keep the settings
check "the uninstaller reported" test -n "$report"
check "the uninstaller removed everything (exit code 0)" equals "$uninstall_status" 0
check "the service process ended" not_running AudioDeviceService.exe
check "the main application ended" not_running ZKTAudioControl.exe
check "the service is gone (sc query)" equals "$(service_state AudioDeviceService)" ""
check "the user's own file stays" exists "$PFU/My notes.txt"
check "the uninstaller moved itself aside for the restart" \
  test -n "$(ls "$PFU" | grep -E '^ZKTAudioUninstall\.exe\.[0-9a-f]+\.remove$')"
check "the moved-aside name is what waits for the restart" sh -c \
  "$WINE reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null | grep -qE 'ZKTAudioUninstall\.exe\.[0-9a-f]+\.remove'"
snapshot uninstalled

say "5. a second uninstall: nothing is installed, nothing changes"
run_refusing_uninstaller 'C:\users\Public\ZKTAudioSetup\ZKTAudioUninstall.exe' uninstall-second
sleep 2
snapshot second-uninstall
check "registry and files as after the first uninstall" same_state uninstalled second-uninstall
rm -f "$SETUP_DIR/ZKTAudioUninstall.exe" "$PFU/My notes.txt"   # the user tidies up

say "6. install again before the restart, then restart: the new files survive"
install_once 3
sleep 2
check_installed 3
kill "$keeper" 2>/dev/null || true
$WINE wineboot -r >/dev/null 2>&1 || true
sleep 2
check "after the restart: the new uninstaller" exists "$PFU/ZKTAudioUninstall.exe"
check "after the restart: the new configuration" exists "$PFU/AudioConfig.cfg"
check "after the restart: the new main application" exists "$PFU/ZKTAudioControl.exe"
check "after the restart: the service image" exists "$C/windows/system32/AudioDeviceService.exe"
check "after the restart: the old uninstaller is gone" \
  test -z "$(ls "$PFU" | grep -E '\.remove$')"

say "7. uninstall with links planted under the install folder and APPDATA"
# A link where a folder to be removed is (wine reports a Unix symlink to a folder as a reparse
# point, as Windows does a junction): the uninstaller must not empty what it points to.
PRECIOUS="$C/users/Public/precious"
mkdir -p "$PRECIOUS/manual-target" "$PRECIOUS/appdata-target"
echo keep >"$PRECIOUS/manual-target/keep.txt"
rm -rf "$PFU/Manual"
ln -s "$PRECIOUS/manual-target" "$PFU/Manual"
mv "$APPDATA_DIR/ZKT 72xx Audio"/* "$PRECIOUS/appdata-target/"
echo keep >"$PRECIOUS/appdata-target/keep.txt"
rmdir "$APPDATA_DIR/ZKT 72xx Audio"
ln -s "$PRECIOUS/appdata-target" "$APPDATA_DIR/ZKT 72xx Audio"
uninstall=$(regval "$UNINST" UninstallString)
uninstall_path=${uninstall#\"}
uninstall_path=${uninstall_path%%\"*}
run_uninstaller "$uninstall_path" y uninstall-links   # remove the settings too
check "the link target under the install folder survives" exists "$PRECIOUS/manual-target/keep.txt"
check "the link target under APPDATA survives" exists "$PRECIOUS/appdata-target/keep.txt"
check "the settings behind the APPDATA link survive" exists "$PRECIOUS/appdata-target/AudioConfig.cfg"
# Wine's RemoveDirectoryW follows a symlink (error 145) where Windows removes the junction: the
# links stay and are reported, hence exit code 2 here.
# After a failure the uninstaller keeps its entry, itself and AudioConfig.cfg: once the links
# are gone, the same uninstall run again finishes.
links_stayed=no
if [ -L "$PFU/Manual" ]; then
  links_stayed=yes
  check "wine: the links stay and are reported (exit code 2)" equals "$uninstall_status" 2
  check "after a failure the entry stays" test -n "$(regval "$UNINST" UninstallString)"
  check "after a failure the uninstaller stays" exists "$PFU/ZKTAudioUninstall.exe"
  check "after a failure its configuration stays" exists "$PFU/AudioConfig.cfg"
else
  check "the links were removed (exit code 0)" equals "$uninstall_status" 0
fi
rm -f "$PFU/Manual" "$APPDATA_DIR/ZKT 72xx Audio"
mkdir -p "$APPDATA_DIR/ZKT 72xx Audio"
mv "$PRECIOUS/appdata-target/AudioConfig.cfg" "$APPDATA_DIR/ZKT 72xx Audio/"
rm -rf "$PRECIOUS"
if [ "$links_stayed" = yes ]; then
  $WINE "$uninstall_path" /S >/dev/null 2>&1 && again=0 || again=$?
  check "the uninstall run again finishes (exit code 0)" equals "$again" 0
  check "the entry is gone" test -z "$(regval "$UNINST" UninstallString)"
fi
check "the service is gone (sc query)" equals "$(service_state AudioDeviceService)" ""
say "restart of Windows (wineboot -r): the uninstaller's own file and folder go"
$WINE wineboot -r >/dev/null 2>&1 || true
sleep 2
snapshot restarted

say "comparison with the state before step 1"
# Kept on purpose (payload/UNINSTALL.md): the user's settings under APPDATA.
kept_files="^\./users/[^/]+/AppData/Roaming/ZKT 72xx Audio(/|$)"
diff <(grep -Ev "$volatile_files" "$OUT/before.files") \
     <(grep -Ev "$kept_files|$volatile_files" "$OUT/restarted.files") >"$OUT/files.diff" || true
check "file tree as before (files.diff empty)" test ! -s "$OUT/files.diff"
[ -s "$OUT/files.diff" ] && head -20 "$OUT/files.diff" | sed 's/^/         /'
check "user settings kept" exists "$APPDATA_DIR/ZKT 72xx Audio/AudioConfig.cfg"

diff <(flatten "$OUT/before.reg") <(flatten "$OUT/restarted.reg") >"$OUT/registry.diff" || true
check "registry as before (registry.diff empty)" test ! -s "$OUT/registry.diff"
[ -s "$OUT/registry.diff" ] && head -30 "$OUT/registry.diff" | sed 's/^/         /'

for s in install1-1-language install1-2-antivirus-tip install1-3-installing install1-4-finish \
         install2-4-finish uninstall-1-confirm uninstall-2-user-data uninstall-3-report; do
  check "screenshot $s" test -s "$OUT/$s.png"
done
[ "$known_faults" = 0 ] || say "NOTE: $known_faults check(s) marked as a known fault passed: drop their marks"
[ "$failures" = 0 ] || die "$failures check(s) failed"
