#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes the Windows installer and ZIP of a Windows build with CPack and
# proves them under Wine (WINEPREFIX set by the caller, a 64-bit prefix):
# the installer installs silently, the installed kevoconf-check.exe checks the
# sample files, the installed kevoconf.exe runs the host's mode 2 and ends,
# the Start-menu entry is there, and the uninstaller removes the program.
#
#   WINE=... WINESERVER=... packaging/windows/check-installer.sh BUILD_DIR TEMP_DIR
set -euo pipefail
build=$1
temp=$2
WINE=${WINE:-wine64}
WINESERVER=${WINESERVER:-wineserver}
mkdir -p "$temp"

fail() { echo "check-installer: $*" >&2; exit 1; }
windows_path() { echo "Z:${1//\//\\}"; }

(cd "$build" && cpack -G "NSIS;ZIP" >/dev/null)
installer=$(ls "$build"/kevoconf-*-win64.exe)
zip=$(ls "$build"/kevoconf-*-win64.zip)
listing=$(unzip -l "$zip")
grep -q ' kevoconf.exe$' <<<"$listing" || fail "the ZIP has no kevoconf.exe"
grep -q ' platforms/qwindows.dll$' <<<"$listing" || fail "the ZIP has no Qt platform plugin"

drive_c="$WINEPREFIX/drive_c"
# The default folder: Program Files\Kevo Printer Configurator.
folder="$drive_c/Program Files/Kevo Printer Configurator"
home='C:\Program Files\Kevo Printer Configurator'
timeout 300 "$WINE" "$installer" /S || fail "the installer failed"
for file in kevoconf.exe kevoconf-check.exe kevoconf-printers.exe Qt6Widgets.dll \
  platforms/qwindows.dll libstdc++-6.dll samples/KevoName.txt Uninstall.exe; do
  [[ -f "$folder/$file" ]] || fail "not installed: $file"
done
link=$(find "$drive_c" -name 'Kevo Printer Configurator.lnk' | head -n 1)
[[ -n $link ]] || fail "no Start-menu entry \"Kevo Printer Configurator\""
echo "installed into $home; Start-menu entry: ${link#"$drive_c"/}"

# The installed commands on the sample files and printers.
samples="$home\\samples"
export KEVOCONF_SIMULATED_PRINTERS="$samples\\printers.txt"
report=$(timeout 120 "$WINE" "$home\\kevoconf-check.exe" \
  "$samples\\KevoName.txt" "$samples\\Vezerava.ini" | tr -d '\r') && status=0 || status=$?
[[ $status -eq 1 ]] || fail "kevoconf-check.exe ended with $status, not 1 (lines in error)"
grep -qx 'Errors: 6 (9 lines in the names file)' <<<"$report" ||
  fail "kevoconf-check.exe reported: $report"

# The host's mode 2 on a setup without errors: no message, the program ends.
printf '\r\n' >"$temp/KevoName.txt"
: >"$temp/Vezerava.ini"
timeout 120 "$WINE" "$home\\kevoconf.exe" 2 \
  "$(windows_path "$temp/KevoName.txt")" "$(windows_path "$temp/Vezerava.ini")" ||
  fail "kevoconf.exe 2 did not end by itself (status $?)"
[[ ! -s "$temp/Vezerava.ini" ]] || fail "kevoconf.exe 2 wrote the setup file"
unset KEVOCONF_SIMULATED_PRINTERS
echo "the installed kevoconf-check.exe and kevoconf.exe 2 ran"

# The uninstaller copies itself away and goes on from there: wait for every
# program of the prefix to end.
timeout 120 "$WINE" "$home\\Uninstall.exe" /S || fail "the uninstaller failed"
timeout 120 "$WINESERVER" -w || fail "the uninstaller did not end"
[[ ! -e "$folder/kevoconf.exe" ]] || fail "the uninstaller left kevoconf.exe"
[[ -z $(find "$drive_c" -name 'Kevo Printer Configurator.lnk') ]] ||
  fail "the uninstaller left the Start-menu entry"
echo "uninstalled"
