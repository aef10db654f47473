#!/usr/bin/env bash
# Runs a command in which wine64 hands 32-bit Windows programs to the classic 32-bit wine
# (through qemu-i386), while every other process on the machine keeps its own /usr:
#   with-wine32.sh COMMAND [ARGUMENT...]
# It provisions the cache (provision-wine32.sh), registers a binfmt_misc handler of its own for
# i386 Linux programs, runs COMMAND in a private mount namespace with the unpacked wine32 laid
# under /usr (an overlay: the installed files win, wine32 adds what is missing), and removes the
# handler again, and binfmt_misc's mount if it made it, however COMMAND ends. Exit code:
# COMMAND's. Needs root.
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
  mount -t overlay zkt-wine32 -o "lowerdir=/usr:$1/usr" /usr || exit 125
  shift
  exec "$@"' zkt-wine32 "$WINE32_TREE" "$@" || status=$?
exit "$status"
