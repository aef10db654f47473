#!/usr/bin/env bash
# Unpacks, without installing anything, what runs 32-bit Windows programs with the classic
# 32-bit wine on this 64-bit-only kernel, into a cache outside the build trees:
#   <cache>/wine32-layer-<wine version>/usr  wine32:i386 and its i386 libraries, the same wine
#                                            version as the installed wine64;
#   <cache>/qemu-user-<version>/qemu-i386     the i386 user-mode emulator that the kernel hands
#                                            i386 Linux programs to (binfmt_misc).
# Installing wine32:i386 system-wide would make every wine64 on the machine take the 32-bit
# loader; unpacked, it is seen only by the processes that mount it over /usr (run-wine32.sh).
# The emulator is the newest Debian has for this release (its backports suite): the release's
# own qemu 7.2 ignores MAP_FIXED_NOREPLACE, and wine's loader then spends ~45 s walking the
# address space at every 32-bit process start. ZKT_QEMU=release takes the release's qemu.
# Prints the two folders as shell assignments (WINE32_TREE=..., QEMU_I386=...).
# Cache root: ZKT_CACHE_DIR (default /var/cache/zkt). Needs root (dpkg architecture, apt).
set -euo pipefail

CACHE=${ZKT_CACHE_DIR:-/var/cache/zkt}
QEMU_FROM=${ZKT_QEMU:-backports}
log() { printf -- '-- %s\n' "$*" >&2; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

mkdir -p "$CACHE"
exec 9>"$CACHE/.provision.lock"
flock 9   # one provisioning at a time; a second caller finds the finished cache

WINE_VERSION=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) || fail "wine64 is not installed"
TREE=$CACHE/wine32-layer-${WINE_VERSION//[:~+]/_}

# The package lists of the i386 architecture. An index that fails to download (a mirror in the
# middle of a sync) is not fatal as long as the packages below can still be found.
apt_ready=
ensure_apt_lists() {
  [ -n "$apt_ready" ] && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  if ! apt-cache show "wine32:i386=$WINE_VERSION" >/dev/null 2>&1; then
    apt-get update >&2 || log "apt-get update reported errors; going on with the lists it has"
  fi
  apt-cache show "wine32:i386=$WINE_VERSION" >/dev/null 2>&1 ||
    fail "no wine32:i386 $WINE_VERSION in the package lists"
  apt_ready=1
}

# A finished folder is renamed into place, so an interrupted run leaves no half tree behind.
# apt downloads as its own user where that user may write.
new_work_dir() {
  local dir
  dir=$(mktemp -d "$CACHE/.work.XXXXXX")
  chmod 755 "$dir"
  echo "$dir"
}

provision_wine32() {
  [ -x "$TREE/usr/lib/wine/wine" ] && return 0
  ensure_apt_lists
  local work
  work=$(new_work_dir)
  log "wine32:i386 $WINE_VERSION and its libraries into $TREE"
  # wine32's dependency tree, i386 packages only, and the X extension libraries that wine
  # loads at run time (the 64-bit ones are installed here; without them the 32-bit wine draws
  # without anti-aliasing and cannot change display modes).
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
      --no-replaces --no-enhances "wine32:i386=$WINE_VERSION" 2>/dev/null |
    grep -E '^[a-z0-9].*:i386$' | sort -u >"$work/packages"
  printf '%s\n' libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 \
    libxfixes3:i386 libxinerama1:i386 libxcomposite1:i386 >>"$work/packages"
  grep -qx 'wine32:i386' "$work/packages" || fail "apt-cache found no dependency tree of wine32:i386"
  mkdir -p -m 755 "$work/debs" "$work/root"
  (cd "$work/debs" && xargs apt-get -o APT::Sandbox::User=root download -q <"$work/packages" >&2 2>&1) ||
    fail "apt-get download of wine32's i386 packages failed"
  local deb
  for deb in "$work"/debs/*.deb; do dpkg-deb -x "$deb" "$work/root"; done
  # The layer keeps only what this machine lacks: the i386 libraries (with wine's 32-bit DLLs),
  # the 32-bit wine loader, and the i386 program interpreter /lib/ld-linux.so.2 (this
  # machine's /lib is /usr/lib). It lies over /usr, so that i386 programs get the interpreter
  # of the libraries unpacked here, never a lib32 one of this machine's with another glibc.
  mkdir -p "$work/layer/usr/lib/wine"
  local multiarch=$work/layer/usr/lib/i386-linux-gnu
  mv "$work/root/usr/lib/i386-linux-gnu" "$multiarch"
  cp -a "$work/root/lib/i386-linux-gnu/." "$multiarch/"
  cp -a "$work/root/usr/lib/wine/wine" "$work/layer/usr/lib/wine/"
  ln -s i386-linux-gnu/ld-linux.so.2 "$work/layer/usr/lib/ld-linux.so.2"
  [ -x "$multiarch/ld-linux.so.2" ] || fail "the unpacked libc6:i386 has no ld-linux.so.2"
  # What libwine's maintainer script would have made: zlib1.dll from libz-mingw-w64, marked as
  # a wine builtin DLL.
  local dll=/usr/i686-w64-mingw32/lib/zlib1.dll
  local out=$multiarch/wine/i386-windows/zlib1.dll
  [ -f "$dll" ] || fail "$dll is missing (package libz-mingw-w64)"
  { head -c 64 "$dll"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$dll"; } >"$out"
  [ -x "$work/layer/usr/lib/wine/wine" ] || fail "the unpacked tree has no 32-bit wine loader"
  rm -rf "$TREE"
  mv "$work/layer" "$TREE"
  rm -rf "$work"
}

# The Debian mirror of this release, as apt is configured (no host is written down here).
release_mirror() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
    awk -v r="$codename" '$2 == r { print $1; exit }'
}

provision_qemu() {
  local found
  found=$(ls -d "$CACHE"/qemu-user-"$QEMU_FROM"-*/qemu-i386 2>/dev/null | tail -1 || true)
  [ -n "$found" ] && { QEMU_I386=$found; return 0; }
  local work version deb
  work=$(new_work_dir)
  if [ "$QEMU_FROM" = backports ]; then
    local mirror codename
    mirror=$(release_mirror)
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    [ -n "$mirror" ] || fail "no Debian mirror of $codename in apt's configuration"
    log "qemu-user from $codename-backports"
    # A private apt state: the system's sources and lists stay as they are.
    mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
    echo "deb $mirror $codename-backports main" >"$work/apt/sources.list"
    local opts=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
                -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
                -o "APT::Architectures::=amd64")
    apt-get "${opts[@]}" -o APT::Sandbox::User=root update >&2 || fail "apt-get update of $codename-backports failed"
    (cd "$work" && apt-get "${opts[@]}" -o APT::Sandbox::User=root download -q "qemu-user/$codename-backports" >&2) ||
      fail "apt-get download of qemu-user from $codename-backports failed"
  else
    log "qemu-user-static of the release"
    (cd "$work" && apt-get -o APT::Sandbox::User=root download -q qemu-user-static >&2) || fail "apt-get download of qemu-user-static failed"
  fi
  deb=$(ls "$work"/*.deb | head -1)
  version=$(dpkg-deb -f "$deb" Version)
  dpkg-deb -x "$deb" "$work/root"
  local bin
  for bin in "$work/root/usr/bin/qemu-i386" "$work/root/usr/bin/qemu-i386-static"; do
    [ -x "$bin" ] && break
  done
  [ -x "$bin" ] || fail "$(basename "$deb") holds no qemu-i386"
  # binfmt_misc opens the emulator once at registration (flag F) and it then runs in every
  # process's mount namespace: it must be a static program.
  file -L "$bin" | grep -q 'static' || fail "$bin is not statically linked"
  local dir=$CACHE/qemu-user-$QEMU_FROM-${version//[:~+]/_}
  mkdir -p "$work/out"
  cp "$bin" "$work/out/qemu-i386"
  rm -rf "$dir"
  mv "$work/out" "$dir"
  rm -rf "$work"
  QEMU_I386=$dir/qemu-i386
}

provision_wine32
provision_qemu
printf 'WINE32_TREE=%q\nQEMU_I386=%q\n' "$TREE" "$QEMU_I386"
