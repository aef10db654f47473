#!/usr/bin/env bash
# Signs one Windows program in place (Authenticode, SHA-256) with Debian's osslsigncode:
#   sign-pe.sh CERTIFICATE.pfx PROGRAM.exe
# The certificate's password comes from ZKT_SIGN_PASSWORD (through a private file, never on a
# command line that others can list); ZKT_SIGN_TIMESTAMP_URL, when set, names an RFC 3161
# time-stamp server, so that the signature outlives the certificate.
set -euo pipefail
pfx=$1 program=$2
command -v osslsigncode >/dev/null || { echo "sign-pe.sh: osslsigncode is missing (scripts/install-deps.sh)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
args=(sign -pkcs12 "$pfx" -h sha256 -n "ZKT 72xx USB Audio")
if [ -n "${ZKT_SIGN_PASSWORD:-}" ]; then
  (umask 077 && printf '%s' "$ZKT_SIGN_PASSWORD" >"$tmp/password")
  args+=(-readpass "$tmp/password")
fi
[ -n "${ZKT_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$ZKT_SIGN_TIMESTAMP_URL")
osslsigncode "${args[@]}" -in "$program" -out "$tmp/signed" >"$tmp/output" 2>&1 ||
  { cat "$tmp/output" >&2; echo "sign-pe.sh: signing $program failed" >&2; exit 1; }
chmod --reference="$program" "$tmp/signed"
mv -f "$tmp/signed" "$program"
