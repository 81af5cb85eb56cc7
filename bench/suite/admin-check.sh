#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# What an administrator does without KevoConf to check a host application's
# printer setup file: for every configured line, ask the printing system for
# the line's printer and paper bins with the standard CUPS commands, and
# compare with what the file stores.
#
#   bench/suite/admin-check.sh SETUP-FILE
#
# For each section [1] to [99] that names a printer (Device):
#   lpstat -v PRINTER          is the printer installed, and is its device URI
#                              the stored port?
#   lpoptions -p PRINTER -l    its InputSlot choices and ManualFeed option,
#                              against which the stored bin numbers are
#                              checked: 15 automatic selection, 4 manual
#                              feed, 256 + n the n-th InputSlot choice.
# lpoptions lists the choices by keyword, not by the texts a user picks, so
# the stored bin names cannot be checked this way.
#
# Prints one line per fault and the summary "checked N lines, M in error".
# Uses the scheduler that CUPS_SERVER names, like every CUPS client.
set -u

if [ $# -ne 1 ] || [ ! -r "$1" ]; then
    echo "usage: $0 SETUP-FILE" >&2
    exit 2
fi

# One record per section with a printer: section, device, port, bin 1, bin 2
# (tab-separated; CR LF line ends and blanks around values removed).
records() {
    awk '
        function flush() {
            if (section ~ /^[0-9]+$/ && section >= 1 && section <= 99 && device != "")
                printf "%s\t%s\t%s\t%s\t%s\n", section, device, port, bin1, bin2
        }
        function trim(text) { gsub(/^[ \t]+|[ \t]+$/, "", text); return text }
        { sub(/\r$/, "") }
        /^\[.*\]$/ {
            flush()
            section = substr($0, 2, length($0) - 2)
            device = port = bin1 = bin2 = ""
            next
        }
        /=/ {
            key = tolower(trim(substr($0, 1, index($0, "=") - 1)))
            value = trim(substr($0, index($0, "=") + 1))
            if (key == "device") device = value
            else if (key == "port") port = value
            else if (key == "papersource1") bin1 = value
            else if (key == "papersource2") bin2 = value
        }
        END { flush() }
    ' "$1"
}

# bin_exists NUMBER SLOT-COUNT HAS-MANUAL-FEED
bin_exists() {
    local number=$1 slots=$2 manual=$3
    case $number in
    15) return 0 ;;
    4) [ "$manual" = yes ] ;;
    *[!0-9]* | '') return 1 ;;
    *) [ "$number" -ge 256 ] && [ "$number" -lt $((256 + slots)) ] ;;
    esac
}

checked=0
faulty=0
while IFS=$'\t' read -r section device port bin1 bin2; do
    checked=$((checked + 1))
    fault=""
    if ! uri_line=$(lpstat -v "$device" 2>/dev/null) || [ -z "$uri_line" ]; then
        fault="printer $device is not installed"
    else
        uri=${uri_line#*: }
        # lpstat shows a file: device URI without its "file:".
        [ "$uri" = "$port" ] || [ "file:$uri" = "$port" ] ||
            fault="port $port, the printer's is $uri"
        options=$(lpoptions -p "$device" -l 2>/dev/null)
        slots=$(printf '%s\n' "$options" | sed -n 's/^InputSlot\/[^:]*: *//p' | wc -w)
        manual=no
        printf '%s\n' "$options" | grep -q '^ManualFeed/' && manual=yes
        for bin in "$bin1" "$bin2"; do
            bin_exists "$bin" "$slots" "$manual" || fault="${fault:+$fault; }no bin $bin"
        done
    fi
    if [ -n "$fault" ]; then
        faulty=$((faulty + 1))
        echo "[$section] $fault"
    fi
done < <(records "$1")

echo "checked $checked lines, $faulty in error"
