#!/usr/bin/env bash
# The product itself under WOW64: install, reinstall and uninstall of the i686 ZKTAudioSetup.exe
# of the win32 preset, with its i686 applications and uninstaller and the x64 service, in a
# fresh 64-bit wine prefix on a 1920x1080 virtual screen (scripts/lib/install-round.sh says the
# steps and the checks, here with the WOW64 expectations).
# wine64 alone cannot show the i686 wizard (its WoW64 mode loads no icons), so the 32-bit
# programs run in the classic 32-bit wine, an i386 Linux program, which this 64-bit-only kernel
# hands to qemu-i386; scripts/with-wine32.sh lays that wine into a private mount namespace and
# takes its binfmt_misc handler away again afterwards. The first run unpacks it into a cache
# (scripts/provision-wine32.sh, about 700 MB under /var/cache/zkt). Needs root.
# Build folder: ZKT_WIN32_DIR (default build/win32); output (screenshots, registry exports,
# file lists, diffs): ZKT_INSTALL_OUT (default <build folder>/install-wow64).
# ZKT_KEEP_PREFIX=1 keeps the wine prefix for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD

WIN32_DIR=${ZKT_WIN32_DIR:-build/win32}
OUT=${ZKT_INSTALL_OUT:-$WIN32_DIR/install-wow64}
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

. scripts/lib/build-setup.sh
build_setup win32 "$WIN32_DIR"
MANIFEST=$WIN32_DIR/payload/payloads.ini
[ -f "$MANIFEST" ] || fail "$WIN32_DIR embeds no payload programs of its own"
grep -q "x64 builds of the programs in EVERY slot" "$MANIFEST" &&
  fail "$WIN32_DIR embeds the x64 stand-ins, not the product's programs"
rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
T=$(mktemp -d /tmp/zkt-install-wow64.XXXXXX)
wine32_outside=no
[ -e /usr/lib/wine/wine ] && wine32_outside=yes
started=$(date +%s)
status=0
# The prefix's wineserver and programs end inside the namespace that holds the 32-bit wine.
"$ROOT/scripts/with-wine32.sh" /bin/sh -c '
  status=0
  xvfb-run -a -s "-screen 0 1920x1080x24" "$@" || status=$?
  WINEPREFIX=$5/pfx /usr/lib/wine/wineserver -k 2>/dev/null
  exit "$status"' round "$ROOT/scripts/lib/install-round.sh" wow64 "$EXE" "$OUT" "$T" ||
  status=$?
if [ "${ZKT_KEEP_PREFIX:-0}" = 1 ]; then
  echo "-- prefix kept in $T/pfx"
else
  rm -rf "$T"
fi
[ "$status" = 0 ] || fail "the i686 round under WOW64 (output in $OUT)"
# Nothing of the 32-bit wine outlives the round: other wine64 runs keep their own route.
if ls /proc/sys/fs/binfmt_misc 2>/dev/null | grep -q '^zkt-i386-'; then
  fail "a binfmt_misc handler of the round is still registered"
fi
if [ "$wine32_outside" = no ] && [ -e /usr/lib/wine/wine ]; then
  fail "the 32-bit wine loader is visible outside the round"
fi
echo "-- install, reinstall and uninstall of the i686 product under WOW64 passed in" \
  "$(($(date +%s) - started)) s (output in $OUT)"
