#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Verifies the Authenticode signature of each file against a certificate
# (PEM), with osslsigncode, and proves the check can fail: a copy of the
# first file with one byte changed after signing must not verify.
#
#   verify-signatures.sh CERTIFICATE.pem FILE...
set -euo pipefail

fail() { echo "verify-signatures: $*" >&2; exit 1; }

[[ $# -ge 2 ]] || fail "usage: verify-signatures.sh CERTIFICATE.pem FILE..."
certificate=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

verify() { osslsigncode verify -CAfile "$certificate" -in "$1" >"$work/log" 2>&1; }

for file in "$@"; do
  if ! verify "$file"; then
    cat "$work/log" >&2
    fail "$file: the signature does not verify"
  fi
done

# One byte in the middle of the signed content, changed.
tampered="$work/tampered.${1##*.}"
cp "$1" "$tampered"
offset=$(($(stat -c %s "$tampered") / 2))
byte=$(od -An -tu1 -j "$offset" -N1 "$tampered" | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 0x5a)))" |
  dd of="$tampered" bs=1 seek="$offset" conv=notrunc status=none
cmp -s "$1" "$tampered" && fail "could not change a byte of $1"
if verify "$tampered"; then
  fail "$1 changed after signing still verifies"
fi
echo "verify-signatures: $# files signed and verified; a changed copy of $(basename "$1") is refused"
