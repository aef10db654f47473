#!/usr/bin/env bash
# Installs every build and test dependency on a fresh Debian 12 machine.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  cmake g++ make ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nettle-dev openssl osslsigncode
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64
  wine wine64
  xvfb xauth xdotool imagemagick
  liblnk-utils
  clang libclang-rt-14-dev llvm clang-format-14
  zip unzip file python3 python3-pefile
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# wine32 makes Debian's wine script pick the 32-bit loader, which this kernel cannot run.
if dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
  echo "install-deps: wine32 is installed; remove it (apt-get remove wine32)" >&2
  exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  # An index that fails (e.g. the i386 one that WoW64 mode adds) must not block the others.
  $SUDO apt-get update -qq || echo "install-deps: apt-get update reported errors; trying anyway" >&2
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "install-deps: all dependencies present"

# The 32-bit Windows DLLs with which wine64 runs the i686 programs as WOW64 processes. Its
# failure leaves everything above usable; the WoW64 test step then fails and says why.
if wow64=$("$(dirname "$0")/provision-wow64.sh" | tail -n 1); then
  echo "install-deps: WoW64 mode ready ($wow64)"
else
  echo "install-deps: WoW64 mode NOT prepared (see above); the WoW64 tests will fail" >&2
fi
