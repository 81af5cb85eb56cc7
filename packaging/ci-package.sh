#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian package from a configured build folder, installs it on
# this machine with apt-get, and runs the installed programs once:
#
#   packaging/ci-package.sh BUILD-FOLDER
#
# For CI: a fresh Debian 12 machine, as root (or through sudo), no display.
# The build folder must be configured with the windows (KEVO_WITH_QT=ON, the
# default), so that the package holds kevoconf itself. Any failure ends the
# script with a message and a non-zero status.
set -euo pipefail

fail() {
  echo "ci-package: FAILED: $*" >&2
  exit 1
}

[[ $# -eq 1 ]] || fail "usage: packaging/ci-package.sh BUILD-FOLDER"
[[ -f "$1/CMakeCache.txt" ]] || fail "$1 is not a configured build folder"
BUILD_DIR=$(cd "$1" && pwd)
PACKAGE_DIR="$BUILD_DIR/packages"

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
apt_get() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

# dpkg-shlibdeps (dpkg-dev) and file work out the package's dependencies;
# desktop-file-validate (desktop-file-utils), appstreamcli (appstream) and
# lintian check the desktop entry, the AppStream metadata and the package.
needed=()
for package in dpkg-dev file desktop-file-utils appstream lintian; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    needed+=("$package")
  fi
done
if ((${#needed[@]} > 0)); then
  echo "== Installing ${needed[*]}"
  apt_get update -qq
  apt_get install -y -qq --no-install-recommends "${needed[@]}"
fi

grep -q '^KEVO_WITH_QT:BOOL=ON$' "$BUILD_DIR/CMakeCache.txt" ||
  fail "$BUILD_DIR is configured without the windows (KEVO_WITH_QT=OFF): no kevoconf to package"

echo "== Building the programs in $BUILD_DIR"
cmake --build "$BUILD_DIR" -j "$(nproc)" --target kevoconf kevoconf-check kevoconf-printers \
  kevoconf-print

echo "== Packaging"
rm -rf "$PACKAGE_DIR"
(cd "$BUILD_DIR" && cpack -G DEB -B "$PACKAGE_DIR") || fail "cpack could not build the package"
shopt -s nullglob
debs=("$PACKAGE_DIR"/kevoconf_*.deb)
shopt -u nullglob
((${#debs[@]} == 1)) || fail "expected one kevoconf_*.deb in $PACKAGE_DIR, found ${#debs[@]}"
DEB=${debs[0]}
dpkg-deb --info "$DEB"

contents=$(dpkg-deb --contents "$DEB")
for path in \
  ./usr/bin/kevoconf ./usr/bin/kevoconf-check ./usr/bin/kevoconf-printers \
  ./usr/bin/kevoconf-print ./usr/share/man/man1/kevoconf-print.1.gz \
  ./usr/share/applications/kevoconf.desktop \
  ./usr/share/icons/hicolor/48x48/apps/kevoconf.png \
  ./usr/share/man/man1/kevoconf.1.gz ./usr/share/man/man1/kevoconf-check.1.gz \
  ./usr/share/man/man1/kevoconf-printers.1.gz \
  ./usr/share/doc/kevoconf/examples/printers.txt ./usr/share/doc/kevoconf/copyright \
  ./usr/share/metainfo/com.example.kevoconf.metainfo.xml; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done

echo "== lintian"
# Errors and warnings fail; the informational tags left are explained in
# packaging/debian/lintian-notes.md.
lintian --fail-on error,warning "$DEB" || fail "lintian finds errors or warnings in the package"

echo "== Installing the package"
# --reinstall: a second run with the same version installs the new build.
(cd "$PACKAGE_DIR" && apt_get install -y --reinstall "./$(basename "$DEB")") ||
  fail "apt-get could not install $(basename "$DEB")"

echo "== Running the installed programs"
examples=/usr/share/doc/kevoconf/examples

version=$(/usr/bin/kevoconf-check --version) || fail "kevoconf-check --version failed"
echo "$version"
[[ $version == "kevoconf-check (KevoConf) "* ]] || fail "unexpected version line: $version"

json=$(KEVOCONF_SIMULATED_PRINTERS=$examples/printers.txt /usr/bin/kevoconf-printers --json) ||
  fail "kevoconf-printers --json failed"
echo "$json"
grep -q '"failed": false' <<<"$json" || fail "kevoconf-printers reports a failure"

# The sample setup holds six faulty lines: the installed check must find
# them (exit status 1) and write nothing.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples/KevoName.txt" "$examples/Vezerava.ini" "$work/"
set +e
KEVOCONF_SIMULATED_PRINTERS=$examples/printers.txt \
  /usr/bin/kevoconf-check "$work/KevoName.txt" "$work/Vezerava.ini" >"$work/check.out"
status=$?
set -e
cat "$work/check.out"
[[ $status -eq 1 ]] || fail "kevoconf-check on the samples ended with $status, not 1"
grep -qx "Errors: 6 (9 lines in the names file)" "$work/check.out" ||
  fail "kevoconf-check did not find the samples' six faulty lines"
cmp -s "$examples/Vezerava.ini" "$work/Vezerava.ini" || fail "kevoconf-check changed the setup file"

# The program itself on Qt's offscreen platform: run mode 1 on a setup
# without errors ends at once, quietly, and saves nothing.
cat >"$work/KevoName.txt" <<'NAMES'
Invoices
NAMES
printf '[1]\r\nName=Invoices\r\nDevice=Accounts Laser\r\nPort=socket://10.20.0.21:9100\r\nDriver=Generic PostScript Printer\r\nPaperSourceName1=Tray 1\r\nPaperSource1=256\r\nPaperSourceName2=Tray 2\r\nPaperSource2=257\r\n' \
  >"$work/Vezerava.ini"
cp "$work/Vezerava.ini" "$work/before.ini"
KEVOCONF_SIMULATED_PRINTERS=$examples/printers.txt QT_QPA_PLATFORM=offscreen \
  XDG_CONFIG_HOME="$work/config" \
  timeout 60 /usr/bin/kevoconf 1 "$work/KevoName.txt" "$work/Vezerava.ini" ||
  fail "kevoconf 1 on a setup without errors did not end cleanly"
cmp -s "$work/before.ini" "$work/Vezerava.ini" || fail "kevoconf 1 changed a setup without errors"
KEVOCONF_SIMULATED_PRINTERS=$examples/printers.txt \
  /usr/bin/kevoconf-check "$work/KevoName.txt" "$work/Vezerava.ini" ||
  fail "kevoconf-check finds errors in a setup without errors"

# kevoconf-print on the samples: the plan of a line, nothing printed.
KEVOCONF_SIMULATED_PRINTERS=$examples/printers.txt /usr/bin/kevoconf-print --dry-run \
  --names-file "$examples/KevoName.txt" --setup-file "$examples/Vezerava.ini" \
  "Delivery Notes" "$work/before.ini" >"$work/print.out" ||
  fail "kevoconf-print --dry-run on the samples failed"
cat "$work/print.out"
grep -q '^Dry run: nothing was sent.$' "$work/print.out" || fail "kevoconf-print made no dry run"

desktop-file-validate /usr/share/applications/kevoconf.desktop ||
  fail "desktop-file-validate rejects the installed desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/com.example.kevoconf.metainfo.xml ||
  fail "appstreamcli rejects the installed AppStream metadata"
man -w kevoconf-check >/dev/null 2>&1 || [[ -f /usr/share/man/man1/kevoconf-check.1.gz ]] ||
  fail "the manual page of kevoconf-check is not installed"

echo "== ci-package: the package $(basename "$DEB") installs and runs"
