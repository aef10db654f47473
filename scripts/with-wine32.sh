#!/usr/bin/env bash
# Runs a command in which wine64 hands 32-bit Windows programs to the classic 32-bit wine
# (through qemu-i386), while every other process on the machine keeps its own /usr:
#   with-wine32.sh COMMAND [ARGUMENT...]
# It provisions the cache (provision-wine32.sh), registers a binfmt_misc handler of its own for
# i386 Linux programs, runs COMMAND in a private mount namespace with the unpacked wine32 laid
# over /usr (an overlay; the layer holds only what the machine lacks), and removes the
# handler again, and binfmt_misc's mount if it made it, however COMMAND ends. Exit code:
# COMMAND's (125: the namespace could not be set up). Needs root.
set -euo pipefail
cd "$(dirname "$0")"
SCRIPTS=$PWD

[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGUMENT...]" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "FAILED: $0 needs root (binfmt_misc, mounts)" >&2; exit 1; }

eval "$("$SCRIPTS/provision-wine32.sh")"

BINFMT=/proc/sys/fs/binfmt_misc
mounted_binfmt=
handler=
undo() {
  if [ -n "$handler" ] && [ -e "$BINFMT/$handler" ]; then echo -1 >"$BINFMT/$handler"; fi
  if [ -n "$mounted_binfmt" ] &&
     [ -z "$(ls "$BINFMT" | grep -vx -e register -e status)" ]; then
    umount "$BINFMT" || true
  fi
}
trap undo EXIT
trap 'exit 130' INT TERM

if ! mountpoint -q "$BINFMT"; then
  mount -t binfmt_misc binfmt_misc "$BINFMT"
  mounted_binfmt=1
fi
# A name of this run's own: a handler registered later is asked first, and removing ours
# leaves any other (the system's, a parallel run's) as it was. Flag F: the kernel opens the
# emulator now, so it runs from any mount namespace.
handler=zkt-i386-$$
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":$handler:M::$magic:$mask:$QEMU_I386:F" >"$BINFMT/register"

status=0
unshare --mount --propagation private -- /bin/sh -c '
  layer=$1
  shift
  mount -t overlay zkt-wine32 -o "lowerdir=$layer/usr:/usr" /usr || exit 125
  # The i386 programs find their libraries through the dynamic linker'"'"'s cache: one of this
  # namespace'"'"'s own that has the i386 folder and leaves out lib32 folders of another glibc.
  cache=$(mktemp -d /tmp/zkt-ldcache.XXXXXX) || exit 125
  { echo /usr/lib/i386-linux-gnu
    cat /etc/ld.so.conf.d/*.conf 2>/dev/null | grep -Ev "^[[:space:]]*(#|include|$)|lib32"
  } >"$cache/ld.so.conf"
  ldconfig -X -f "$cache/ld.so.conf" -C "$cache/ld.so.cache" &&
    mount --bind "$cache/ld.so.cache" /etc/ld.so.cache || { rm -rf "$cache"; exit 125; }
  status=0
  "$@" || status=$?
  umount /etc/ld.so.cache
  rm -rf "$cache"
  exit "$status"' zkt-wine32 "$WINE32_TREE" "$@" || status=$?
exit "$status"
