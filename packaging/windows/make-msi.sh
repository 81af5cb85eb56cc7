#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes the Windows Installer package (MSI) of an installed Windows program
# folder with wixl: packaging/windows/kevoconf.wxs, plus a component for each
# file of the folder, read from the folder itself. VERSION is the project's
# version; the package's is its first three fields. With KEVO_SIGN_PKCS12
# (and KEVO_SIGN_PASSWORD, KEVO_SIGN_TIMESTAMP_URL) in the environment the
# package is signed (sign.sh); the programs in DIR are signed already when
# the build that installed them was given the certificate.
#
#   cmake --install build-windows --prefix DIR
#   packaging/windows/make-msi.sh DIR 3.2.0.0 kevoconf-3.2.0-win64.msi
set -euo pipefail

fail() { echo "make-msi: $*" >&2; exit 1; }

[[ $# -eq 3 ]] || fail "usage: make-msi.sh PROGRAM_DIR VERSION OUT.msi"
program=$(realpath "$1")
output=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

# Windows Installer compares three fields: 0-255, 0-255, 0-65535.
IFS=. read -r major minor patch _ <<<"$2"
[[ $major =~ ^[0-9]+$ && $minor =~ ^[0-9]+$ && ${patch:-x} =~ ^[0-9]+$ ]] ||
  fail "version \"$2\" is not MAJOR.MINOR.PATCH[.TWEAK]"
((major <= 255 && minor <= 255 && patch < 65535)) || fail "version \"$2\" is out of range"
version="$major.$minor.$patch"

[[ -f $program/kevoconf.exe ]] || fail "$program has no kevoconf.exe"
command -v wixl >/dev/null || fail "wixl is missing (the Debian package wixl)"
command -v msibuild >/dev/null || fail "msibuild is missing (the Debian package msitools)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl finds its sources only by paths relative to the folder it runs in.
ln -s "$program" "$work/program"
cp "$root/src/platform/win/kevoconf.ico" "$work/kevoconf.ico"

# Identifiers: the path's letters (so the installer's log stays readable) and
# a hash of the whole path (so that no two paths share one).
identifier() {
  local hash
  hash=$(printf '%s' "$2" | sha1sum)
  local plain=${2//[^A-Za-z0-9_.]/_}
  echo "$1_${plain:0:48}_${hash:0:8}"
}
xml() { sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g; s/"/\&quot;/g' <<<"$1"; }

# One component a file, its GUID made by wixl from the file's place in the
# installed folder (Guid="*"), so that it stays the same from version to
# version. kevoconf.exe is in kevoconf.wxs with the Start-menu entry.
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment>'
  references=()
  while IFS= read -r folder; do
    if [[ $folder == . ]]; then
      parent=INSTALLDIR
    else
      parent=$(identifier dir "$folder")
    fi
    echo "  <DirectoryRef Id=\"$parent\">"
    while IFS= read -r entry; do
      path=$entry
      [[ $folder == . ]] || path=$folder/$entry
      name=$(xml "$entry")
      if [[ -d $program/$path ]]; then
        echo "    <Directory Id=\"$(identifier dir "$path")\" Name=\"$name\"/>"
      elif [[ $path != kevoconf.exe ]]; then
        component=$(identifier cmp "$path")
        references+=("$component")
        echo "    <Component Id=\"$component\" Guid=\"*\" Win64=\"yes\">"
        echo "      <File Id=\"$(identifier file "$path")\" Name=\"$name\" Source=\"$(xml "program/$path")\" KeyPath=\"yes\"/>"
        echo "    </Component>"
      fi
    done < <(cd "$program/$folder" && find . -mindepth 1 -maxdepth 1 -printf '%P\n' | LC_ALL=C sort)
    echo "  </DirectoryRef>"
  done < <(cd "$program" && find . -type d -printf '%P\n' | sed 's/^$/./' | LC_ALL=C sort)
  echo '  <ComponentGroup Id="ProgramFiles">'
  printf '    <ComponentRef Id="%s"/>\n' "${references[@]}"
  echo '  </ComponentGroup>'
  echo '</Fragment></Wix>'
} >"$work/files.wxs"

# wixl reports what it does not know, and some failures, as GLib warnings
# and goes on: any of them fails the package.
mkdir -p "$(dirname "$output")"
(cd "$work" && wixl --arch x64 -D Version="$version" -D NextVersion="$major.$minor.$((patch + 1))" \
  -o "$output" "$here/kevoconf.wxs" files.wxs) 2>"$work/wixl.log" ||
  { cat "$work/wixl.log" >&2; fail "wixl failed"; }
if grep -q . "$work/wixl.log"; then
  cat "$work/wixl.log" >&2
  rm -f "$output"
  fail "wixl reported the problems above"
fi

# The installer service takes a public property from an installation that
# asks for elevation only if it is listed as secure; wixl lists only the
# upgrade's properties.
secure=$(msiinfo export "$output" Property | tr -d '\r' |
  awk -F '\t' '$1 == "SecureCustomProperties" { print $2 }')
msibuild "$output" -q "UPDATE Property SET Value = '${secure:+$secure;}SETUPFILEFORUSERS' WHERE Property = 'SecureCustomProperties'" ||
  fail "cannot list SETUPFILEFORUSERS as secure"
if [[ -n ${KEVO_SIGN_PKCS12:-} ]]; then
  "$here/sign.sh" "$output" || fail "cannot sign $output"
else
  echo "make-msi: the package is unsigned: no code-signing certificate (KEVO_SIGN_PKCS12)" >&2
fi
echo "$output: Kevo Printer Configurator $version, ${#references[@]} files besides kevoconf.exe"
