#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes the MSI package of an installed Windows program folder in two
# versions (make-msi.sh) and proves it under Wine's msiexec, silently (/qn):
# the newer package upgrades the older one in place, with the user's setup
# and names files in the Windows folder left as they were; the installed
# kevoconf-check.exe checks the sample files; the uninstall removes the
# program and its Start-menu entry and keeps the user's files;
# SETUPFILEFORUSERS=1 creates a missing setup file, which the uninstall keeps;
# an older package does not install over a newer one. With KEVO_SIGN_PKCS12
# (as make-msi.sh takes it) and KEVO_VERIFY_CERT (its certificate, PEM), the
# packages and the installed programs must verify against that certificate.
#
# WINEPREFIX is a 64-bit prefix of the test's own (its C:\windows\Vezerava.ini
# and KevoName.txt are replaced), with WINE and WINESERVER set as for
# check-installer.sh:
#
#   cmake --install build-windows --prefix DIR
#   WINE=... WINESERVER=... WINEPREFIX=... packaging/windows/check-msi.sh DIR TEMP_DIR
set -euo pipefail

fail() { echo "check-msi: $*" >&2; exit 1; }
windows_path() { echo "Z:${1//\//\\}"; }

[[ $# -eq 2 && -n ${WINEPREFIX:-} ]] || fail "usage: WINEPREFIX=... check-msi.sh PROGRAM_DIR TEMP_DIR"
program=$(realpath "$1")
mkdir -p "$2"
temp=$(realpath "$2")
WINE=${WINE:-wine64}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
started=$SECONDS

# The current version, and an older one to upgrade from.
version=$(sed -n 's/^project(KevoConf VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r major minor patch _ <<<"$version"
current="$major.$minor.$patch"
if ((minor > 0)); then previous="$major.$((minor - 1)).0"; else previous="$((major - 1)).0.0"; fi
new="$temp/kevoconf-$current.msi"
old="$temp/kevoconf-$previous.msi"
"$here/make-msi.sh" "$program" "$previous" "$old" >/dev/null || fail "make-msi.sh failed for $previous"
"$here/make-msi.sh" "$program" "$version" "$new" >/dev/null || fail "make-msi.sh failed for $version"
echo "made the packages of $previous and $current in $((SECONDS - started)) s"

drive_c="$WINEPREFIX/drive_c"
folder="$drive_c/Program Files/Kevo Printer Configurator"
home='C:\Program Files\Kevo Printer Configurator'
setup="$drive_c/windows/Vezerava.ini"
names="$drive_c/windows/KevoName.txt"

# msiexec ACTION LOG ARGUMENTS...: silently, with a full log in TEMP_DIR.
msiexec() {
  timeout 300 "$WINE" msiexec "$1" "$(windows_path "$3")" /qn /l*v "$(windows_path "$temp/$2.log")" "${@:4}"
}
# versions: the DisplayVersion of each "Kevo Printer Configurator" in
# Programs and Features.
read_entries() {
  local listing
  listing=$(timeout 60 "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s) ||
    fail "cannot read the Uninstall key of the registry"
  mapfile -t versions < <(tr -d '\r' <<<"$listing" |
    awk -F '    ' 'function entry() { if (name == "Kevo Printer Configurator") print version }
      /^HKEY/ { entry(); name = version = "" }
      $2 == "DisplayName" { name = $4 }
      $2 == "DisplayVersion" { version = $4 }
      END { entry() }')
}
one_entry() {
  read_entries
  [[ ${#versions[@]} -eq 1 && ${versions[0]} == "$current" ]] ||
    fail "$1: Programs and Features lists ${#versions[@]} entries (${versions[*]}), not one of $current"
}
start_menu_entry() { find "$drive_c" -name 'Kevo Printer Configurator.lnk'; }
user_files_kept() {
  local file
  for file in Vezerava.ini KevoName.txt; do
    cmp -s "$drive_c/windows/$file" "$temp/$file" || fail "$1 changed the user's C:\\windows\\$file"
  done
}

# The old version on a machine without a setup file.
rm -f "$setup" "$names"
msiexec /i install-old "$old" || fail "installing $previous failed (log: $temp/install-old.log)"
[[ ! -e $setup ]] || fail "the installation without SETUPFILEFORUSERS made C:\\windows\\Vezerava.ini"

# The user's own files, then the upgrade (which must leave an existing setup
# file alone, SETUPFILEFORUSERS or not).
printf '; the setup of the users of this machine\r\n[1]\r\nName=Kept\r\n' | tee "$temp/Vezerava.ini" >"$setup"
printf 'Kept\r\n' | tee "$temp/KevoName.txt" >"$names"
msiexec /i upgrade "$new" SETUPFILEFORUSERS=1 ||
  fail "installing $current over $previous failed (log: $temp/upgrade.log)"
# Every file of the folder (THIRD-PARTY-NOTICES.txt too, where it has one).
# Wine's msiexec removes the old version after installing the new one, so
# this also proves that a file keeps its component from version to version:
# otherwise the old version's removal would take it away.
mapfile -t files < <(cd "$program" && find . -type f -printf '%P\n')
for file in "${files[@]}"; do
  cmp -s "$program/$file" "$folder/$file" || fail "after the upgrade, $file is not installed as built"
done
one_entry "after the upgrade"
mapfile -t links < <(start_menu_entry)
[[ ${#links[@]} -eq 1 ]] || fail "${#links[@]} Start-menu entries \"Kevo Printer Configurator\", not one"
grep -aqF "$home\\kevoconf.exe" "${links[0]}" || fail "the Start-menu entry does not open kevoconf.exe"
user_files_kept "the upgrade"
echo "upgraded $previous to $current: one entry, the program as built, the user's files kept"
if [[ -n ${KEVO_VERIFY_CERT:-} ]]; then
  "$here/verify-signatures.sh" "$KEVO_VERIFY_CERT" "$new" "$old" "$folder"/kevoconf*.exe ||
    fail "the packages' signatures do not hold"
fi

# The installed commands on the sample files and printers.
samples="$home\\samples"
report=$(KEVOCONF_SIMULATED_PRINTERS="$samples\\printers.txt" timeout 120 "$WINE" \
  "$home\\kevoconf-check.exe" "$samples\\KevoName.txt" "$samples\\Vezerava.ini" | tr -d '\r') &&
  status=0 || status=$?
[[ $status -eq 1 ]] || fail "kevoconf-check.exe ended with $status, not 1 (lines in error)"
grep -qx 'Errors: 6 (9 lines in the names file)' <<<"$report" ||
  fail "kevoconf-check.exe reported: $report"

msiexec /x uninstall "$new" || fail "the uninstall failed (log: $temp/uninstall.log)"
for file in "${files[@]}"; do
  [[ ! -e $folder/$file ]] || fail "the uninstall left $file"
done
[[ -z $(start_menu_entry) ]] || fail "the uninstall left the Start-menu entry"
read_entries
[[ ${#versions[@]} -eq 0 ]] || fail "the uninstall left the entry in Programs and Features"
user_files_kept "the uninstall"
echo "uninstalled: the program gone, the user's files kept"

# SETUPFILEFORUSERS=1 without a setup file. (Under Wine icacls does nothing:
# only the file can be checked.)
rm -f "$setup"
msiexec /i setup-file "$new" SETUPFILEFORUSERS=1 ||
  fail "installing with SETUPFILEFORUSERS=1 failed (log: $temp/setup-file.log)"
[[ -f $setup && ! -s $setup ]] || fail "SETUPFILEFORUSERS=1 did not make an empty C:\\windows\\Vezerava.ini"
# A downgrade, on this first installation: after an upgrade Wine has lost
# the installed version's upgrade code, which Windows keeps.
if msiexec /i downgrade "$old"; then
  fail "the $previous package installed over $current"
fi
# Refused by the launch condition on the newer version found (whose message
# Wine shows only with a user interface, and does not log).
grep -q 'NEWERVERSIONDETECTED = {' "$temp/downgrade.log" ||
  fail "the downgrade failed without finding the newer version (log: $temp/downgrade.log)"
one_entry "after the refused downgrade"
msiexec /x uninstall-setup-file "$new" || fail "the uninstall failed (log: $temp/uninstall-setup-file.log)"
[[ -f $setup ]] || fail "the uninstall removed the setup file that SETUPFILEFORUSERS=1 made"
echo "SETUPFILEFORUSERS=1 made the setup file, the uninstall kept it; the downgrade was refused"
echo "the MSI checks took $((SECONDS - started)) s"
