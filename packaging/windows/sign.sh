#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Signs Windows files in place with Authenticode (SHA-256) through
# osslsigncode: programs, DLLs, the NSIS installer and uninstaller, MSI
# packages. The certificate and its key are a PKCS#12 file:
#
#   KEVO_SIGN_PKCS12=company.p12 KEVO_SIGN_PASSWORD=... \
#     [KEVO_SIGN_TIMESTAMP_URL=http://timestamp.example.com] sign.sh FILE...
#
# With a timestamp server the signature stays valid after the certificate
# expires. The password reaches osslsigncode through a private file, never
# its command line.
set -euo pipefail

fail() { echo "sign: $*" >&2; exit 1; }

[[ $# -gt 0 ]] || fail "usage: sign.sh FILE..."
[[ -n ${KEVO_SIGN_PKCS12:-} ]] || fail "KEVO_SIGN_PKCS12 names no certificate (a PKCS#12 file)"
[[ -r $KEVO_SIGN_PKCS12 ]] || fail "cannot read the certificate $KEVO_SIGN_PKCS12"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (the Debian package osslsigncode)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
options=(-pkcs12 "$KEVO_SIGN_PKCS12" -h sha256 -n "Kevo Printer Configurator")
if [[ -n ${KEVO_SIGN_PASSWORD:-} ]]; then
  printf '%s' "$KEVO_SIGN_PASSWORD" >"$work/password"
  options+=(-readpass "$work/password")
fi
if [[ -n ${KEVO_SIGN_TIMESTAMP_URL:-} ]]; then
  options+=(-ts "$KEVO_SIGN_TIMESTAMP_URL")
fi
for file in "$@"; do
  [[ -f $file ]] || fail "no file $file"
  rm -f "$work/signed"
  if ! osslsigncode sign "${options[@]}" -in "$file" -out "$work/signed" >"$work/log" 2>&1; then
    cat "$work/log" >&2
    fail "cannot sign $file"
  fi
  # Written over the original, which keeps its mode and owner.
  cat "$work/signed" >"$file"
done
