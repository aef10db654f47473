#!/usr/bin/env bash
# Signing: scripts/run.sh with a throw-away self-signed certificate made here with openssl.
# The signed product and every program embedded in it (taken back out of its resources) must
# verify with osslsigncode against that certificate; the signed product must still pass its PE
# and payload checks; a changed byte must break the signature.
# Build folder: ZKT_SIGNED_DIR (default build/win32-signed).
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${ZKT_SIGNED_DIR:-build/win32-signed}
PY=/usr/bin/python3
CHECK_PE="$PY tests/win32/check_pe.py"
say() { printf -- '-- %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

T=$(mktemp -d /tmp/zkt-sign.XXXXXX)
trap 'rm -rf "$T"' EXIT

say "a throw-away code-signing certificate (self-signed, 2 days)"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=ZKT throw-away test signer" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,digitalSignature,keyCertSign" \
  -addext "extendedKeyUsage=codeSigning" \
  -keyout "$T/key.pem" -out "$T/cert.pem" 2>/dev/null
PASSWORD=$(openssl rand -hex 12)
openssl pkcs12 -export -inkey "$T/key.pem" -in "$T/cert.pem" -out "$T/signer.pfx" \
  -passout "pass:$PASSWORD"

say "scripts/run.sh with ZKT_SIGN_PFX (build $BUILD, output $T/dist)"
ZKT_SIGN_PFX=$T/signer.pfx ZKT_SIGN_PASSWORD=$PASSWORD ZKT_WIN32_DIR=$BUILD ZKT_DIST_DIR=$T/dist \
  ./scripts/run.sh >"$T/run.log" 2>&1 || { tail -30 "$T/run.log"; fail "run.sh with a certificate"; }
grep -q "signing the programs with" "$T/run.log" || fail "run.sh did not say that it signs"
grep -q "^signature:   Authenticode" "$T/run.log" || fail "run.sh did not show the product's signature"
PRODUCT=$T/dist/ZKTAudioSetup.exe

verify() {  # program, what
  osslsigncode verify -CAfile "$T/cert.pem" -in "$1" >"$T/verify.log" 2>&1 ||
    { cat "$T/verify.log"; fail "$2 does not verify"; }
  printf '   ok    %s verifies\n' "$2"
}
verify "$PRODUCT" "dist/ZKTAudioSetup.exe"

say "the programs embedded in the product, taken out of its resources"
$CHECK_PE --extract-payloads "$T/payloads" "$PRODUCT" >/dev/null
programs=0
for payload in "$T"/payloads/*; do
  case "$(file -b "$payload")" in
    PE32*) verify "$payload" "payload $(basename "$payload")"; programs=$((programs + 1)) ;;
  esac
done
# Service x86 and x64, three applications, the uninstaller.
[ "$programs" = 6 ] || fail "expected 6 embedded programs, found $programs"

say "the signed product still passes its checks"
$CHECK_PE --machine i386 --gui --admin-manifest --payloads "$BUILD/payload/payloads.ini" "$PRODUCT" ||
  fail "the signed product fails its PE and payload checks"

say "a changed byte breaks the signature"
cp "$PRODUCT" "$T/tampered.exe"
printf 'X' | dd of="$T/tampered.exe" bs=1 seek=$(( $(stat -c %s "$PRODUCT") / 2 )) conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$T/cert.pem" -in "$T/tampered.exe" >/dev/null 2>&1; then
  fail "a changed product still verified"
fi
say "signing passed"
