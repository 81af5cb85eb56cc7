#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Windows side with MinGW-w64 and runs its test runner under Wine
# against a private CUPS scheduler (Wine's winspool takes its printers from
# CUPS), on a machine without a display:
#
#   1. installs MinGW-w64, Wine, NSIS and the CUPS packages where missing;
#   2. cross-builds the whole program with Qt for Windows (KEVO_QT_WINDOWS:
#      a toolkit, or a folder with its archive; scripts/build-qt-windows.sh)
#      into build-windows/ (cmake/toolchain-mingw64.cmake);
#   3. builds kevo_cups_dump in the Linux build (build/, or LINUX_BUILD_DIR);
#   4. starts a private scheduler with the test PPDs' printers, a raw queue,
#      a printer with a UTF-8 name and a class, and writes what the CUPS
#      printing service reports about them;
#   5. makes a fresh Wine prefix in a temporary folder (null graphics driver:
#      windows without a display) and runs build-windows/.../kevo_windows_test.exe,
#      which compares winspool's answers with the CUPS service's;
#   6. repairs a setup's trays with kevoconf-check.exe --repair after a
#      queue's PPD is swapped, and its printer after the queue is renamed,
#      through a printer mapping file (tests/windows/tray-repair-under-wine.sh);
#   7. runs two setup_writer.exe at once under Wine, each saving its own line
#      of one setup file 500 times (tests/faults/two-writers.sh): the file
#      must end with both writers' last values, and no lock file is left;
#   8. builds the programs again as users get them, a stripped Release build
#      (build-windows-release/, or WINDOWS_RELEASE_DIR), signed with a
#      throw-away self-signed code-signing certificate made here, and proves
#      its installer and ZIP (packaging/windows/check-installer.sh) and its
#      MSI (packaging/windows/check-msi.sh) under Wine: install, upgrade,
#      run, refusal while the program runs, uninstall; every signed file
#      verifies against that certificate, a changed one does not; Qt6Core.dll
#      is the toolkit archive's, byte for byte.
#
#   scripts/test-windows.sh [GTEST-ARGUMENTS...]
#   WINDOWS_BUILD_DIR=... WINDOWS_RELEASE_DIR=... LINUX_BUILD_DIR=... KEEP_WINDOWS_TEMP=1 scripts/test-windows.sh
#   WINDOWS_RUNNER_RUNS=30 scripts/test-windows.sh    the runner 30 times in a row (step 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$SECONDS

WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
WINDOWS_RELEASE_DIR=${WINDOWS_RELEASE_DIR:-build-windows-release}
LINUX_BUILD_DIR=${LINUX_BUILD_DIR:-build}

step() { echo "== [$((SECONDS - started)) s] $*"; }

# --- 1. Packages ---------------------------------------------------------
PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-x86-64-posix wine64
  libcups2-dev cups-daemon cups-client cups osslsigncode openssl
)
scripts/install-deps.sh --only "${PACKAGES[@]}" >/dev/null
# wine64 with the address-space layout fixed (why: scripts/wine.sh).
WINE=$root/scripts/wine.sh
WINESERVER=/usr/lib/wine/wineserver64
[[ -x $WINESERVER ]] || WINESERVER=$(command -v wineserver)

temp=$(mktemp -d /tmp/kevo-windows.XXXXXX)
cleanup() {
  local status=$?
  if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
    timeout 30 "$WINESERVER" -k 2>/dev/null || true
  fi
  if [[ -n "${scheduler:-}" ]]; then
    tests/integration/cups/private-cupsd.sh stop "$scheduler" 2>/dev/null || true
  fi
  if [[ -z "${KEEP_WINDOWS_TEMP:-}" ]]; then
    rm -rf "$temp"
  else
    echo "kept $temp"
  fi
  exit "$status"
}
trap cleanup EXIT

# --- 2. The Windows build ------------------------------------------------
# Qt for Windows: the prebuilt toolkit that KEVO_QT_WINDOWS gives, or the one
# scripts/build-qt-windows.sh makes (once; long).
step "Qt for Windows"
toolkit=$(scripts/build-qt-windows.sh | tail -n 1)
scripts/install-deps.sh --only nsis unzip wixl msitools >/dev/null
step "Cross-building the Windows program and its tests in $WINDOWS_BUILD_DIR"
cmake -S . -B "$WINDOWS_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DKEVO_QT_WINDOWS="$toolkit" -DKEVO_WITH_QT=ON >/dev/null
cmake --build "$WINDOWS_BUILD_DIR" -j "$(nproc)"
runner="$WINDOWS_BUILD_DIR/tests/windows/kevo_windows_test.exe"
step "A throw-away code-signing certificate"
mkdir -m 700 "$temp/sign"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$temp/sign/key.pem" \
  -out "$temp/sign/certificate.pem" -subj "/CN=KevoConf test signing (throw-away)" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
export KEVO_SIGN_PASSWORD=test-$RANDOM$RANDOM
openssl pkcs12 -export -inkey "$temp/sign/key.pem" -in "$temp/sign/certificate.pem" \
  -out "$temp/sign/signing.p12" -passout env:KEVO_SIGN_PASSWORD
export KEVO_SIGN_PKCS12="$temp/sign/signing.p12"
# Qt6Core.dll as the toolkit's archive holds it, when the toolkit came as one.
qt_archive=${KEVO_QT_WINDOWS:+$KEVO_QT_WINDOWS/qt6.4.2+dfsg-10-mingw64.tar.xz}
if [[ -n $qt_archive && -f $qt_archive ]]; then
  tar -xJOf "$qt_archive" qt6-mingw/bin/Qt6Core.dll >"$temp/Qt6Core.dll"
else
  cp "$toolkit/bin/Qt6Core.dll" "$temp/Qt6Core.dll"
fi
step "Building the programs as they are shipped (Release, signed) in $WINDOWS_RELEASE_DIR"
cmake -S . -B "$WINDOWS_RELEASE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DKEVO_QT_WINDOWS="$toolkit" -DKEVO_WITH_QT=ON -DKEVO_BUILD_TESTS=OFF \
  -DKEVO_SIGN_PKCS12="$KEVO_SIGN_PKCS12" >/dev/null
cmake --build "$WINDOWS_RELEASE_DIR" -j "$(nproc)"

# --- 3. The CUPS side's dump ---------------------------------------------
if [[ ! -f "$LINUX_BUILD_DIR/CMakeCache.txt" ]]; then
  step "Configuring a Linux build in $LINUX_BUILD_DIR for kevo_cups_dump"
  cmake -S . -B "$LINUX_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DKEVO_WITH_QT=OFF -DKEVO_BUILD_BENCHMARKS=OFF >/dev/null
fi
step "Building kevo_cups_dump in $LINUX_BUILD_DIR"
cmake --build "$LINUX_BUILD_DIR" --target kevo_cups_dump -j "$(nproc)"
dump_tool="$LINUX_BUILD_DIR/tests/windows/kevo_cups_dump"

# --- 4. The private scheduler --------------------------------------------

step "Starting a private CUPS scheduler"
# A port found free may be taken before the scheduler listens on it: then
# another folder, and another port.
for attempt in 1 2 3; do
  if environment=$(tests/integration/cups/private-cupsd.sh start "$temp/cups$attempt"); then
    scheduler="$temp/cups$attempt"
    eval "$environment"
    break
  fi
  tail -n 5 "$temp/cups$attempt/log/error_log" 2>/dev/null || true
done
if [[ -z "${scheduler:-}" ]]; then
  echo "no private CUPS scheduler could be started" >&2
  exit 1
fi
ppd=tests/integration/cups/ppd
# lpadmin warns that PPD files are deprecated; nothing else is hidden.
add_printer() {
  lpadmin -p "$1" -E -v file:///dev/null "${@:2}" 2> >(grep -v 'drivers are deprecated' >&2)
}
add_printer LongNames -P "$ppd/kevo-long-names.ppd"
add_printer Blanks -P "$ppd/kevo-blank-padded.ppd"
add_printer Cases -P "$ppd/kevo-case-variants.ppd"
add_printer Utf8 -P "$ppd/kevo-utf8.ppd"
add_printer NoSlots -P "$ppd/kevo-no-slots.ppd"
add_printer Manual -P "$ppd/kevo-manual-feed.ppd"
add_printer Raw
add_printer "Büro" -P "$ppd/kevo-manual-feed.ppd"
lpadmin -p Cases -c Pool
lpadmin -p Manual -c Pool
cupsenable Pool
cupsaccept Pool
lpadmin -d Cases

step "What the CUPS printing service reports"
"$dump_tool" "$temp/cups-dump.txt"

# --- 5. Wine --------------------------------------------------------------
export WINEPREFIX="$temp/wine" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer prompts; no display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
export LC_ALL=C.UTF-8
step "Making a Wine prefix"
timeout 300 "$WINE" wineboot --init >/dev/null 2>&1
# Windows without a display: the null graphics driver. The desktop that the
# first start made still has the old driver, so the prefix's server is
# restarted.
timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
timeout 30 "$WINESERVER" -k 2>/dev/null || true
timeout 30 "$WINESERVER" -w 2>/dev/null || true

windows_path() { echo "Z:${1//\//\\}"; }
status=0
runs=${WINDOWS_RUNNER_RUNS:-1}
for ((run = 1; run <= runs && status == 0; run++)); do
  step "Running the Windows test runner under Wine (run $run of $runs)"
  KEVO_CUPS_DUMP=$(windows_path "$temp/cups-dump.txt") \
    timeout 900 "$WINE" "$runner" "$@" || status=$?
done
if ((status == 0 && runs > 1)); then
  step "The runner passed $runs times in a row"
fi
if [[ $status -eq 0 ]]; then
  step "kevoconf-check.exe --repair after a driver change"
  mkdir -p "$temp/repair-program"
  cp "$WINDOWS_BUILD_DIR/tools/check/kevoconf-check.exe" \
    "$WINDOWS_BUILD_DIR/tools/printers/kevoconf-printers.exe" "$temp/repair-program/"
  WINE="$WINE" WINESERVER="$WINESERVER" tests/windows/tray-repair-under-wine.sh \
    "$temp/repair-program" "$temp/repair" || status=$?
fi
if [[ $status -eq 0 ]]; then
  step "Two setup_writer.exe saving one setup file at once"
  mkdir -p "$temp/writers"
  timeout 120 tests/faults/two-writers.sh "$temp/writers:$(windows_path "$temp/writers")" 500 \
    "$WINE" "$WINDOWS_BUILD_DIR/tests/windows/setup_writer.exe" || status=$?
fi
if [[ $status -eq 0 ]]; then
  step "The installer and the ZIP (CPack), installed and run under Wine"
  KEVO_VERIFY_CERT="$temp/sign/certificate.pem" KEVO_QT_CORE_DLL="$temp/Qt6Core.dll" \
    WINE="$WINE" WINESERVER="$WINESERVER" packaging/windows/check-installer.sh \
    "$WINDOWS_RELEASE_DIR" "$temp/installer" || status=$?
fi
if [[ $status -eq 0 ]]; then
  step "The MSI (wixl), installed, upgraded and removed by Wine's msiexec"
  cmake --install "$WINDOWS_RELEASE_DIR" --prefix "$temp/msi-program" --strip >/dev/null
  KEVO_VERIFY_CERT="$temp/sign/certificate.pem" \
    WINE="$WINE" WINESERVER="$WINESERVER" packaging/windows/check-msi.sh \
    "$temp/msi-program" "$temp/msi" || status=$?
fi
step "Done (exit status $status)"
exit "$status"
