#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# kevoconf-check.exe --repair under Wine after a driver change: a queue of
# the private scheduler (CUPS_SERVER set by the caller) gets the vendor PPD
# and a setup line on two of its trays, numbered as winspool numbers them in
# a prefix made then; the queue's PPD is swapped for the driverless one, which
# lists the same trays in another order and other words, and in a prefix
# made after the swap (Wine takes a queue's PPD when the prefix adds the
# printer) the check finds the line in error and --repair mends it: the check
# after it is clean. Then the queue is re-created under another name: in a
# prefix made after, the line's printer is missing, its Windows port
# ("CUPS:Swapped") finds nothing, and --repair --printer-map with
# "Swapped = Renamed" gives the line the new queue and its port.
#
#   WINE=... WINESERVER=... tests/windows/tray-repair-under-wine.sh PROGRAM_DIR TEMP_DIR
set -euo pipefail
program=$1
temp=$2
WINE=${WINE:-wine64}
WINESERVER=${WINESERVER:-wineserver}
ppd=$(cd "$(dirname "$0")/../integration/cups/ppd" && pwd)
fail() { echo "tray-repair-under-wine: $*" >&2; exit 1; }
windows_path() { echo "Z:${1//\//\\}"; }

# A fresh prefix without a display, as scripts/test-windows.sh makes one.
new_prefix() {
  export WINEPREFIX=$1
  timeout 300 "$WINE" wineboot --init >/dev/null 2>&1
  timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  timeout 30 "$WINESERVER" -k 2>/dev/null || true
  timeout 30 "$WINESERVER" -w 2>/dev/null || true
}
# The number winspool gives the bin of this name on the queue Swapped.
bin_number() {
  awk -v name="\"$1\"" '
    /^[0-9]+ "Swapped"/ { inside = 1; next }
    inside && /^$/ { exit }
    inside { sub(/^ *(Bins:)? */, ""); number = $1; $1 = ""; sub(/^ */, "");
             if ($0 == name) { print number; exit } }' "$temp/printers.txt"
}

mkdir -p "$temp"
lpadmin -p Swapped -E -v file:///dev/null -P "$ppd/kevo-vendor-trays.ppd" 2>/dev/null
new_prefix "$temp/before"
timeout 120 "$WINE" "$program/kevoconf-printers.exe" | tr -d '\r' >"$temp/printers.txt"
tray2=$(bin_number "Tray 2")
manual=$(bin_number "Manual Feed")
[[ -n $tray2 && -n $manual ]] || fail "winspool lists no Tray 2 or Manual Feed: $(cat "$temp/printers.txt")"
driver=$(awk '/^[0-9]+ "Swapped"/ { inside = 1; next } inside && /Driver:/ { gsub(/.*Driver: *"|"$/, ""); print; exit }' "$temp/printers.txt")
printf 'Invoices\r\n' >"$temp/KevoName.txt"
printf '[1]\r\nName=Invoices\r\nDevice=Swapped\r\nPort=CUPS:Swapped\r\nDriver=%s\r\nPaperSourceName1=Tray 2\r\nPaperSource1=%s\r\nPaperSourceName2=Manual Feed\r\nPaperSource2=%s\r\n' \
  "$driver" "$tray2" "$manual" >"$temp/Vezerava.ini"
files=("$(windows_path "$temp/KevoName.txt")" "$(windows_path "$temp/Vezerava.ini")")
timeout 120 "$WINE" "$program/kevoconf-check.exe" "${files[@]}" >"$temp/before.txt" ||
  fail "the setup is not clean before the swap: $(cat "$temp/before.txt") $(grep -A4 Swapped "$temp/printers.txt")"
timeout 30 "$WINESERVER" -k 2>/dev/null || true

lpadmin -p Swapped -P "$ppd/kevo-driverless-trays.ppd" 2>/dev/null
new_prefix "$temp/after"
status=0
timeout 120 "$WINE" "$program/kevoconf-check.exe" "${files[@]}" >/dev/null || status=$?
[[ $status -eq 1 ]] || fail "the check after the swap ended with $status, not 1"
status=0
timeout 120 "$WINE" "$program/kevoconf-check.exe" --repair "${files[@]}" | tr -d '\r' >"$temp/repair.txt" || status=$?
[[ $status -eq 0 ]] || fail "--repair ended with $status, not 0: $(cat "$temp/repair.txt")"
timeout 120 "$WINE" "$program/kevoconf-check.exe" "${files[@]}" >/dev/null ||
  fail "the check after the repair is not clean: $(cat "$temp/Vezerava.ini")"
timeout 30 "$WINESERVER" -k 2>/dev/null || true

lpadmin -x Swapped
lpadmin -p Renamed -E -v file:///dev/null -P "$ppd/kevo-driverless-trays.ppd" 2>/dev/null
new_prefix "$temp/renamed"
status=0
timeout 120 "$WINE" "$program/kevoconf-check.exe" --repair --dry-run "${files[@]}" | tr -d '\r' >"$temp/unmapped.txt" || status=$?
[[ $status -eq 1 ]] && grep -q ': printer missing$' "$temp/unmapped.txt" ||
  fail "without a mapping the renamed queue was found ($status): $(cat "$temp/unmapped.txt")"
printf 'swapped = Renamed\r\n' >"$temp/printers.map"
status=0
timeout 120 "$WINE" "$program/kevoconf-check.exe" --repair --printer-map "$(windows_path "$temp/printers.map")" \
  "${files[@]}" | tr -d '\r' >"$temp/moved.txt" || status=$?
[[ $status -eq 0 ]] || fail "--repair --printer-map ended with $status, not 0: $(cat "$temp/moved.txt")"
grep -q '(by mapping)' "$temp/moved.txt" || fail "the move is not reported: $(cat "$temp/moved.txt")"
grep -q $'^Device=Renamed\r$' "$temp/Vezerava.ini" || fail "the line does not name Renamed: $(cat "$temp/Vezerava.ini")"
timeout 120 "$WINE" "$program/kevoconf-check.exe" "${files[@]}" >/dev/null ||
  fail "the check after the printer's repair is not clean: $(cat "$temp/Vezerava.ini")"
timeout 30 "$WINESERVER" -k 2>/dev/null || true
lpadmin -x Renamed
echo "kevoconf-check.exe --repair mended the line after the driver change: $(head -n 2 "$temp/repair.txt" | tail -n 1)"
echo "and after the queue was renamed: $(head -n 2 "$temp/moved.txt" | tail -n 1)"
