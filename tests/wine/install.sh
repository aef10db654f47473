#!/usr/bin/env bash
# A whole installation, a second installation over it and the uninstallation of the 64-bit
# Windows build under wine64, in a fresh prefix on a 1920x1080 virtual screen, worked from
# outside as a person would (scripts/lib/install-round.sh says the steps and the checks).
# The 64-bit build carries x64 builds of the payload programs in every slot (this machine cannot
# run 32-bit programs); see payload/README.md.
# Build folder: ZKT_WIN64_DIR (default build/win64); output (screenshots, registry exports,
# file lists, diffs): ZKT_INSTALL_OUT (default <build folder>/install-wine).
# ZKT_KEEP_PREFIX=1 keeps the wine prefix for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD

WIN64_DIR=${ZKT_WIN64_DIR:-build/win64}
OUT=${ZKT_INSTALL_OUT:-$WIN64_DIR/install-wine}
. scripts/lib/build-setup.sh
build_setup win64 "$WIN64_DIR"
grep -q "x64 builds of the programs in EVERY slot" "$WIN64_DIR/payload/payloads.ini" || {
  echo "FAILED: $WIN64_DIR does not embed the x64 payload programs" >&2; exit 1; }
rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
T=$(mktemp -d /tmp/zkt-install.XXXXXX)
status=0
xvfb-run -a -s "-screen 0 1920x1080x24" "$ROOT/scripts/lib/install-round.sh" x64 "$EXE" "$OUT" "$T" ||
  status=$?
if [ "${ZKT_KEEP_PREFIX:-0}" = 1 ]; then
  echo "-- prefix kept in $T/pfx"
else
  WINEPREFIX=$T/pfx /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$T"
fi
[ "$status" = 0 ] || { echo "FAILED (output in $OUT)" >&2; exit "$status"; }
echo "-- install, reinstall and uninstall under wine64 passed (output in $OUT)"
