#!/usr/bin/env bash
# The wizard of the 64-bit Windows build under wine64 on a 1920x1080 virtual screen: the
# background and the wizard come up, a person outside the program presses Next (twice: the
# anti-virus tip first) and Finish with xdotool, and a screenshot of every page is kept.
# Build folder: ZKT_WIN64_DIR (default build/win64); screenshots: ZKT_SHOTS_DIR (default
# <build folder>/wizard-shots).
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
WIN64_DIR=${ZKT_WIN64_DIR:-build/win64}
SHOTS=${ZKT_SHOTS_DIR:-$WIN64_DIR/wizard-shots}

say() { printf -- '-- %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

. scripts/lib/build-setup.sh
build_setup win64 "$WIN64_DIR"

T=$(mktemp -d /tmp/zkt-wizard.XXXXXX)
trap 'WINEPREFIX=$T/pfx /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$T"' EXIT
mkdir -p "$T/home" "$SHOTS"
SHOTS=$(cd "$SHOTS" && pwd)
export HOME=$T/home WINEPREFIX=$T/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
say "fresh wine prefix in $T"
xvfb-run -a /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w

SETUP="$WINEPREFIX/drive_c/users/Public/ZKTAudioSetup"
mkdir -p "$SETUP"
cp -r "$ROOT/sample/." "$SETUP/"
cp "$EXE" "$SETUP/"

cat >"$T/person.sh" <<'PERSON'
#!/usr/bin/env bash
# Runs inside the virtual X server: starts the setup and works the wizard from outside.
set -euo pipefail
SHOTS=$1
shot() { import -window root "$SHOTS/$1.png"; }
# Client-area click: unmanaged wine windows put the client at window + (3, 22).
click() {  # window, client x, client y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + 3 + $2)) $((Y + 22 + $3)) click 1
}
/usr/lib/wine/wine64 'C:\users\Public\ZKTAudioSetup\ZKTAudioSetup.exe' &
SETUP_PID=$!
W=$(timeout 60 xdotool search --sync --name "^ZKT 7.1 USB Audio Setup" | head -1)
sleep 2
shot 1-language
xdotool windowactivate --sync "$W" 2>/dev/null || true
click "$W" 157 131                       # Next (default button)
timeout 20 xdotool search --sync --name "^Install$" >/dev/null
sleep 1
shot 2-antivirus-tip
xdotool key Return  # the box has the keyboard
sleep 1
click "$W" 157 131                       # Next again: the installation starts
sleep 1
shot 3-installing
# The finish page: Next and Cancel disappear when the worker has completed.
for _ in $(seq 1 120); do
  sleep 1
  # Any box of a failing install step is answered so that the sequence can end.
  B=$(xdotool search --name "^Install$" 2>/dev/null | head -1 || true)
  [ -n "$B" ] && { shot 3b-install-message; xdotool key Return; }
  [ -n "$B" ] && continue
  import -window "$W" "$SHOTS/.probe.png" 2>/dev/null || continue
  # The Next button's place turns plain when it is hidden on the finish page.
  probe=$(convert "$SHOTS/.probe.png" -crop 75x25+123+141 -format '%[fx:standard_deviation]' info:)
  if awk -v s="$probe" 'BEGIN { exit !(s < 0.01) }'; then break; fi
done
rm -f "$SHOTS/.probe.png"
shot 4-finish
click "$W" 269 131                       # Finish with the preselected choice; the setup ends
for _ in $(seq 1 30); do
  kill -0 "$SETUP_PID" 2>/dev/null || break
  sleep 1
done
if kill -0 "$SETUP_PID" 2>/dev/null; then
  echo "the setup did not end after Finish" >&2
  exit 1
fi
wait "$SETUP_PID"
PERSON
chmod +x "$T/person.sh"

say "wizard: Next, tip box, Next, Finish"
xvfb-run -a -s "-screen 0 1920x1080x24" "$T/person.sh" "$SHOTS" ||
  fail "the wizard could not be worked through (screenshots in $SHOTS)"

for page in 1-language 2-antivirus-tip 3-installing 4-finish; do
  [ -s "$SHOTS/$page.png" ] || fail "no screenshot $page"
done
# The background picture covers the screen: its corners are the skin's dark blue, not black.
corner=$(convert "$SHOTS/1-language.png" -crop 10x10+5+5 -format '%[fx:mean]' info:)
awk -v m="$corner" 'BEGIN { exit !(m > 0.05) }' || fail "no background picture on the screen"
cmp -s "$SHOTS/1-language.png" "$SHOTS/4-finish.png" && fail "the wizard did not change pages"
say "screenshots in $SHOTS"
