#!/usr/bin/env bash
# Prepares the folder of 32-bit Windows DLLs with which wine64 runs i686 programs as WOW64
# processes ("WoW64 mode"): the i386-windows folder of Debian's libwine:i386 of exactly the
# installed wine64's version, downloaded and unpacked, nothing installed.
#
#   provision-wow64.sh            prepare the folder if needed; print its path as the last line
#   provision-wow64.sh --check    print the path when the folder is ready, else exit 1 (no network)
#
# Use the printed path as WINEDLLPATH (with WINEARCH=win64) before the prefix's first
# `wineboot -i`. The folder lives in a cache outside any build tree, keyed by the wine version,
# so a second run costs nothing: ZKT_WOW64_CACHE, else /var/cache/zkt-wow64 for root, else
# ${XDG_CACHE_HOME:-~/.cache}/zkt-wow64. Exit 1 with a one-line reason on stderr when it cannot
# be prepared (no i386 package index, no network); nothing else of the machine depends on it.
set -euo pipefail

fail() { echo "provision-wow64: $*" >&2; exit 1; }

UNIX_DIR=/usr/lib/x86_64-linux-gnu/wine/x86_64-unix
WINE_VERSION=$(dpkg-query -W -f='${Version}' libwine 2>/dev/null || true)
[ -n "$WINE_VERSION" ] || fail "wine64 (libwine) is not installed"
[ -d "$UNIX_DIR" ] || fail "$UNIX_DIR is missing; is wine64 installed?"

if [ -n "${ZKT_WOW64_CACHE:-}" ]; then
  CACHE=$ZKT_WOW64_CACHE
elif [ "$(id -u)" -eq 0 ]; then
  CACHE=/var/cache/zkt-wow64
else
  CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/zkt-wow64
fi
# A version such as 8.0~repack-4 is a safe folder name; refuse anything else.
[[ $WINE_VERSION =~ ^[A-Za-z0-9.+~:-]+$ ]] || fail "unexpected wine version '$WINE_VERSION'"
DIR=$CACHE/${WINE_VERSION//:/_}

ready() {
  [ -f "$DIR/complete" ] && [ -f "$DIR/i386-windows/kernel32.dll" ] &&
    [ -L "$DIR/x86_64-unix" ] && [ "$(readlink "$DIR/x86_64-unix")" = "$UNIX_DIR" ]
}

if ready; then echo "$DIR"; exit 0; fi
[ "${1:-}" = --check ] && exit 1

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
APT_WAIT=(-o DPkg::Lock::Timeout=600)

# apt only downloads packages of architectures dpkg knows; adding one installs nothing.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "provision-wow64: adding the i386 architecture to dpkg (nothing is installed)" >&2
  $SUDO dpkg --add-architecture i386
fi
candidate() { apt-cache madison libwine:i386 2>/dev/null | awk -F'|' '{gsub(/ /,"",$2); print $2}'; }
if ! candidate | grep -qxF "$WINE_VERSION"; then
  echo "provision-wow64: reading the package index (apt-get update)" >&2
  # A failure of some other index must not stop us when the i386 one arrived.
  $SUDO apt-get "${APT_WAIT[@]}" update -qq >&2 || true
  candidate | grep -qxF "$WINE_VERSION" ||
    fail "no libwine:i386 $WINE_VERSION in the package index (apt-get update failed for i386?)"
fi

mkdir -p "$CACHE"
WORK=$(mktemp -d "$CACHE/.work.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
echo "provision-wow64: downloading libwine:i386 $WINE_VERSION" >&2
# apt-get download checks the file against the signed index; it runs unprivileged as _apt
# when it can, so the folder must be writable for everyone while it downloads.
chmod 0777 "$WORK"
(cd "$WORK" && apt-get "${APT_WAIT[@]}" download -qq "libwine:i386=$WINE_VERSION" >&2) ||
  fail "apt-get download libwine:i386=$WINE_VERSION failed"
chmod 0700 "$WORK"
deb=("$WORK"/libwine_*_i386.deb)
[ -f "${deb[0]}" ] || fail "the download left no libwine .deb"
dpkg-deb -x "${deb[0]}" "$WORK/x" || fail "cannot unpack ${deb[0]}"
[ -f "$WORK/x/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll" ] ||
  fail "libwine:i386 holds no i386-windows/kernel32.dll"

mkdir -p "$WORK/out"
mv "$WORK/x/usr/lib/i386-linux-gnu/wine/i386-windows" "$WORK/out/"
# wine64 looks for its Unix-side modules beside the PE folder (else winex11.drv fails to load).
ln -s "$UNIX_DIR" "$WORK/out/x86_64-unix"
echo "libwine:i386 $WINE_VERSION" >"$WORK/out/complete"
chmod -R go-w "$WORK/out"
chmod 0755 "$WORK/out"
rm -rf "$DIR"
mv "$WORK/out" "$DIR"
ready || fail "$DIR is not complete after unpacking"
echo "provision-wow64: ready ($(find "$DIR/i386-windows" -type f | wc -l) files)" >&2
echo "$DIR"
