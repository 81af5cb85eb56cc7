#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes the Windows installer and ZIP of a Windows build with CPack and
# proves them under Wine (WINEPREFIX set by the caller, a 64-bit prefix):
# - the ZIP holds the program, its Qt plugin and the notices, with no debug
#   sections in any program or DLL;
# - an older version (the same files, a lower version number) installs
#   silently into another folder, copying the sample names file into the
#   Windows folder on request;
# - the current version upgrades it: the old folder and its uninstaller are
#   gone, one Start-menu entry, the user's names file untouched, the setup
#   file created for standard users on request;
# - the installed kevoconf-check.exe checks the sample files and the
#   installed kevoconf.exe runs the host's mode 2 and ends;
# - while kevoconf.exe runs, a silent install and a silent uninstall end with
#   status 2 and change nothing;
# - the uninstaller removes the program and leaves the user's files;
# - with KEVO_VERIFY_CERT (the signing certificate, PEM): the installer, the
#   uninstaller it installs and the programs in the installed folder and in
#   the ZIP are signed by it, and a changed copy is refused;
# - with KEVO_QT_CORE_DLL (Qt6Core.dll as the toolkit archive holds it): the
#   installed and the zipped Qt6Core.dll are that file, byte for byte.
#
#   WINE=... WINESERVER=... packaging/windows/check-installer.sh BUILD_DIR TEMP_DIR
set -euo pipefail
build=$1
temp=$2
WINE=${WINE:-wine64}
WINESERVER=${WINESERVER:-wineserver}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$temp"

fail() { echo "check-installer: $*" >&2; exit 1; }
windows_path() { echo "Z:${1//\//\\}"; }
# A value of the program's entry in Programs and Features ("" if none).
uninstall_value() {
  "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KevoConf' /v "$1" \
    2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name { print $3 }'
}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[[ -n $version ]] || fail "no version in $build/CPackConfig.cmake"
old_version=0.9.0
(cd "$build" && cpack -G "NSIS;ZIP" >/dev/null &&
  cpack -G NSIS -D CPACK_PACKAGE_VERSION=$old_version \
    -D CPACK_PACKAGE_FILE_NAME=kevoconf-$old_version-win64 >/dev/null)
installer="$build/kevoconf-$version-win64.exe"
old_installer="$build/kevoconf-$old_version-win64.exe"
zip="$build/kevoconf-$version-win64.zip"

listing=$(unzip -Z1 "$zip")
for file in kevoconf.exe platforms/qwindows.dll THIRD-PARTY-NOTICES.txt; do
  grep -qx "$file" <<<"$listing" || fail "the ZIP has no $file"
done
unzip -q "$zip" -d "$temp/zip"
while IFS= read -r -d '' binary; do
  if x86_64-w64-mingw32-objdump -h "$binary" | grep -q '\.debug_'; then
    fail "${binary#"$temp/zip/"} has debug sections: not a stripped Release build"
  fi
done < <(find "$temp/zip" \( -name '*.exe' -o -name '*.dll' \) -print0)
echo "the ZIP holds a stripped program ($(du -sh "$temp/zip" | cut -f1)) and its notices"

drive_c="$WINEPREFIX/drive_c"
windows="$drive_c/windows"
folder="$drive_c/Program Files/Kevo Printer Configurator"
home='C:\Program Files\Kevo Printer Configurator'
rm -f "$windows/KevoName.txt" "$windows/Vezerava.ini"

# --- The older version, elsewhere, with the sample names file --------------
timeout 300 "$WINE" "$old_installer" /S /SAMPLENAMES '/D=C:\KevoOld' ||
  fail "the older installer failed"
[[ $(uninstall_value DisplayVersion) == "$old_version" ]] || fail "the older version is not registered"
cmp -s "$windows/KevoName.txt" "$drive_c/KevoOld/samples/KevoName.txt" ||
  fail "/SAMPLENAMES did not copy the sample names file into the Windows folder"

# --- The upgrade: the user's names file, no setup file yet -----------------
printf 'Invoices\r\nRemittances\r\n' >"$windows/KevoName.txt"
cp "$windows/KevoName.txt" "$temp/names-before"
# /D= takes the rest of the command line, unquoted: cmd passes it as it is.
timeout 300 "$WINE" cmd /c "$(windows_path "$installer") /S /SAMPLENAMES /SETUPFILEFORUSERS /D=$home" ||
  fail "the installer failed"
for file in kevoconf.exe kevoconf-check.exe kevoconf-printers.exe Qt6Widgets.dll \
  platforms/qwindows.dll libstdc++-6.dll samples/KevoName.txt THIRD-PARTY-NOTICES.txt \
  Uninstall.exe; do
  [[ -f "$folder/$file" ]] || fail "not installed: $file"
done
[[ ! -e "$drive_c/KevoOld" ]] || fail "the upgrade left the old folder: $(ls -R "$drive_c/KevoOld")"
[[ $(uninstall_value DisplayVersion) == "$version" ]] || fail "the new version is not registered"
links=$(find "$drive_c" -name 'Kevo Printer Configurator.lnk')
[[ $(grep -c . <<<"$links") -eq 1 ]] || fail "not one Start-menu entry: $links"
cmp -s "$windows/KevoName.txt" "$temp/names-before" || fail "the installer changed the user's names file"
[[ -f "$windows/Vezerava.ini" && ! -s "$windows/Vezerava.ini" ]] ||
  fail "/SETUPFILEFORUSERS did not create an empty setup file"
echo "upgraded $old_version in C:\\KevoOld to $version in $home"

# --- Signatures, and the Qt DLLs as they came ---------------------------------
if [[ -n ${KEVO_VERIFY_CERT:-} ]]; then
  "$here/verify-signatures.sh" "$KEVO_VERIFY_CERT" "$installer" "$old_installer" \
    "$folder/Uninstall.exe" "$folder"/kevoconf*.exe "$temp/zip"/kevoconf*.exe ||
    fail "the package's signatures do not hold"
fi
if [[ -n ${KEVO_QT_CORE_DLL:-} ]]; then
  for copy in "$folder/Qt6Core.dll" "$temp/zip/Qt6Core.dll"; do
    cmp -s "$KEVO_QT_CORE_DLL" "$copy" || fail "$copy is not the toolkit's Qt6Core.dll"
  done
  echo "Qt6Core.dll in the installer and the ZIP is the toolkit's, byte for byte"
fi

# --- The installed commands on the sample files and printers ---------------
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

# --- Nothing changes while the program runs --------------------------------
# The editor on a missing names file waits for its message to be closed.
"$WINE" "$home\\kevoconf.exe" 0 'C:\missing\KevoName.txt' >/dev/null 2>&1 &
program=$!
# Wine runs it as a process of that name; it takes the mutex before its
# first window.
for _ in $(seq 60); do
  pgrep -f 'kevoconf\.exe 0' >/dev/null && break
  sleep 1
done
pgrep -f 'kevoconf\.exe 0' >/dev/null || fail "kevoconf.exe 0 did not start"
sleep 3
timeout 120 "$WINE" "$old_installer" /S && status=0 || status=$?
[[ $status -eq 2 ]] || fail "a silent install while kevoconf.exe runs ended with $status, not 2"
[[ $(uninstall_value DisplayVersion) == "$version" && -f "$folder/kevoconf.exe" ]] ||
  fail "a silent install while kevoconf.exe runs changed the installation"
# In its folder (_?=, unquoted, last) the uninstaller runs itself and its
# status is the caller's; started plainly it goes on from a copy and its
# status is lost.
printf '@echo off\r\n"%s\\Uninstall.exe" /S _?=%s\r\nexit /b %%ERRORLEVEL%%\r\n' "$home" "$home" >"$temp/uninstall.cmd"
timeout 120 "$WINE" cmd /c "$(windows_path "$temp/uninstall.cmd")" && status=0 || status=$?
[[ $status -eq 2 ]] || fail "a silent uninstall while kevoconf.exe runs ended with $status, not 2"
[[ -n $(uninstall_value DisplayVersion) && -f "$folder/Qt6Core.dll" ]] ||
  fail "a silent uninstall while kevoconf.exe runs removed files"
kill "$program"
wait "$program" 2>/dev/null || true
echo "a silent install and uninstall refused while kevoconf.exe ran"

# --- The uninstaller ----------------------------------------------------------
# It copies itself away and goes on from there: wait for every program of the
# prefix to end.
timeout 120 "$WINE" "$home\\Uninstall.exe" /S || fail "the uninstaller failed"
timeout 120 "$WINESERVER" -w || fail "the uninstaller did not end"
[[ ! -e "$folder" ]] || fail "the uninstaller left: $(ls -R "$folder")"
[[ -z $(find "$drive_c" -name 'Kevo Printer Configurator.lnk') ]] ||
  fail "the uninstaller left the Start-menu entry"
[[ -z $(uninstall_value DisplayVersion) ]] || fail "the uninstaller left the registry entry"
cmp -s "$windows/KevoName.txt" "$temp/names-before" && [[ -f "$windows/Vezerava.ini" ]] ||
  fail "the uninstaller removed the user's files"
rm -f "$windows/KevoName.txt" "$windows/Vezerava.ini"
echo "uninstalled; the user's names and setup files stay"
