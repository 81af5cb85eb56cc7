#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Writes the program's Windows icon (kevoconf.ico beside this script) from
# the PNG pictures of resources/icons, one image per size, each stored as
# the PNG itself (the form icons have taken since Windows Vista):
#
#   src/platform/win/make-icon.sh [OUTPUT [PNG...]]
#
# The icon is checked in, so that a build needs no script; a unit test on
# Linux checks that it is still what this script makes of the PNGs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
output=${1:-$here/kevoconf.ico}
shift || true
if [[ $# -eq 0 ]]; then
    # Smallest first, by the size in the file name (the folder's own path
    # may hold dashes and digits of its own).
    pngs=()
    for png in "$here"/../../../resources/icons/kevoconf-*.png; do
        size=${png##*/kevoconf-}
        pngs+=("${size%.png} $png")
    done
    mapfile -t pngs < <(printf '%s\n' "${pngs[@]}" | sort -n | cut -d' ' -f2-)
else
    pngs=("$@")
fi

# Little-endian numbers as bytes.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
byte() { printf "\\x$(printf %02x "$1")"; }

# A PNG's width and height, from its IHDR chunk (big-endian at bytes 16-23).
png_size() {
    local -a b
    read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
    echo $(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3])) \
        $(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))
}

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
{
    le16 0             # reserved
    le16 1             # type: icon
    le16 ${#pngs[@]}   # image count
    offset=$((6 + 16 * ${#pngs[@]}))
    for png in "${pngs[@]}"; do
        read -r width height < <(png_size "$png")
        if ((width > 256 || height > 256)); then
            echo "$png: an icon image is at most 256 by 256" >&2
            exit 1
        fi
        size=$(stat -c %s "$png")
        byte $((width % 256))   # 0 stands for 256
        byte $((height % 256))
        byte 0                  # no palette
        byte 0                  # reserved
        le16 1                  # planes
        le16 32                 # bits per pixel
        le32 "$size"
        le32 "$offset"
        offset=$((offset + size))
    done
    cat "${pngs[@]}"
} >"$tmp"
chmod 0644 "$tmp"
mv "$tmp" "$output"
trap - EXIT
