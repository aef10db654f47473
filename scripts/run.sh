#!/usr/bin/env bash
# The main job: build the product (preset win32) and put it with its setup folder into dist/,
# ready to copy to a Windows machine, then show what was built.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
DIST=${ZKT_DIST_DIR:-dist}

./scripts/install-deps.sh

# Signing (Authenticode, with osslsigncode): ZKT_SIGN_PFX names a PKCS#12 certificate,
# ZKT_SIGN_PASSWORD its password, ZKT_SIGN_TIMESTAMP_URL an optional RFC 3161 time-stamp
# server. Each payload program is signed as it is built, before it is embedded, and the product
# last. A signed build has a folder of its own, so that no signed program slips into an
# unsigned build or the other way round.
if [ -n "${ZKT_SIGN_PFX:-}" ]; then
  [ -f "$ZKT_SIGN_PFX" ] || { echo "run.sh: ZKT_SIGN_PFX=$ZKT_SIGN_PFX is not a file" >&2; exit 1; }
  BUILD=${ZKT_WIN32_DIR:-build/win32-signed}
  SIGN_PFX=$(realpath "$ZKT_SIGN_PFX")
  echo "run.sh: signing the programs with $ZKT_SIGN_PFX"
else
  BUILD=${ZKT_WIN32_DIR:-build/win32}   # the preset's folder unless told otherwise
  SIGN_PFX=
  echo "run.sh: no certificate (ZKT_SIGN_PFX is not set): the programs are built unsigned"
fi

cmake --preset win32 -B "$BUILD" -DZKT_SIGN_PFX="$SIGN_PFX" >/dev/null
cmake --build "$BUILD" -j"$JOBS"

PRODUCT=$BUILD/app/win32/ZKTAudioSetup.exe
rm -rf "$DIST"
mkdir -p "$DIST"
cp "$PRODUCT" "$DIST/"
# The setup folder ships beside the program (without the scripts that drew its pictures).
cp -r sample/. "$DIST/"
find "$DIST" -name '*.sh' -delete
# Both again in one zip, as a folder ZKTAudioSetup/ to unpack anywhere on Windows.
ZIP_TMP=$(mktemp -d)
cp -r "$DIST" "$ZIP_TMP/ZKTAudioSetup"
(cd "$ZIP_TMP" && zip -qr ZKTAudioSetup.zip ZKTAudioSetup)
mv "$ZIP_TMP/ZKTAudioSetup.zip" "$DIST/"
rm -rf "$ZIP_TMP"

echo
echo "$DIST/ (copy the whole folder to Windows and run ZKTAudioSetup.exe):"
(cd "$DIST" && find . -mindepth 1 -maxdepth 2 | sort | sed 's|^\./|  |')
echo
echo "ZKTAudioSetup.exe:"
echo "file:        $(file -b "$DIST/ZKTAudioSetup.exe")"
echo "size:        $(stat -c %s "$DIST/ZKTAudioSetup.exe") bytes"
/usr/bin/python3 tests/win32/check_pe.py --summary --machine i386 --gui --admin-manifest \
  "$DIST/ZKTAudioSetup.exe"
echo
echo "payloads embedded ($BUILD/payload/payloads.ini):"
grep -v '^;' "$BUILD/payload/payloads.ini" | while read -r type id file; do
  kind=$(cd "$BUILD/payload" && file -b "$file" | cut -d, -f1)
  printf '  %-11s %s  %s\n' "$type" "$id" "$kind"
  # The programs built from payload/ must be in their slots, never a placeholder.
  case "$type:$kind" in
    SERVICE:PE32*|APP:PE32*|UNINSTALL:PE32*|DRIVER:*|WINDOWPATCH:*) ;;
    *) echo "run.sh: payload $type $id is not a program: $file" >&2; exit 1 ;;
  esac
done
# The uninstaller must ask for administrator rights; the programs are GUI programs of their slots.
/usr/bin/python3 tests/win32/check_pe.py --machine i386 --gui --admin-manifest \
  "$BUILD/payload/bin/Uninstall.exe"
for program in MainApp EffectApp SoundEffectApp AudioDeviceService; do
  /usr/bin/python3 tests/win32/check_pe.py --machine i386 --gui "$BUILD/payload/bin/$program.exe"
done
/usr/bin/python3 tests/win32/check_pe.py --machine amd64 --gui "$BUILD/payload/x64/bin/AudioDeviceService.exe"

# The whole setup, run on a fresh simulated Windows 10 x64 machine: the same program logic as
# the Windows build, with dist/ (the product and its setup folder) as the folder beside it.
LINUX_BUILD=${ZKT_LINUX_DIR:-build/linux}
cmake --preset linux -B "$LINUX_BUILD" >/dev/null
cmake --build "$LINUX_BUILD" -j"$JOBS" --target zkt-setup-sim >/dev/null
MACHINE=$LINUX_BUILD/sim-machine
rm -rf "$MACHINE"
echo
echo "zkt-setup-sim on a fresh default machine ($MACHINE):"
"$LINUX_BUILD/tools/zkt-setup-sim/zkt-setup-sim" --machine "$MACHINE" --setup "$DIST"
