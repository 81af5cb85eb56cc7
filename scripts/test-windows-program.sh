#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the Windows program, kevoconf.exe, end to end under Wine: each test of
# wine_e2e_test (tests/e2e/WineEndToEndTest.cpp, built in the Linux build)
# starts its own Xvfb desktop with openbox and its own CUPS scheduler, whose
# queues Wine's winspool lists, and runs kevoconf.exe in a fresh Wine prefix
# made here.
#
#   scripts/test-windows-program.sh [GTEST-ARGUMENTS...]
#
#   LINUX_BUILD_DIR      the Linux build (default build); wine_e2e_test and
#                        e2e_host_frame are built there
#   WINDOWS_PROGRAM_DIR  a folder holding kevoconf.exe and its DLLs; without
#                        it WINDOWS_BUILD_DIR (build-windows) is configured,
#                        built and installed into build-windows/program
#   KEVO_QT_WINDOWS      Qt for Windows, as scripts/build-qt-windows.sh takes it
#   KEEP_WINE_TEMP=1     keep the temporary folder (the prefix)
#   KEVO_WINE_SCREENSHOTS=DIR  save the tests' screenshots of the main window
#                        and the print setup dialog there (e.g. docs)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$SECONDS
step() { echo "== [$((SECONDS - started)) s] $*"; }

LINUX_BUILD_DIR=${LINUX_BUILD_DIR:-build}
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}

scripts/install-deps.sh --only wine64 xvfb xauth openbox xdotool x11-utils xclip imagemagick \
  cups-daemon cups-client cups libxcb1-dev >/dev/null
# wine64 with the address-space layout fixed (why: scripts/wine.sh).
WINE=$root/scripts/wine.sh
WINESERVER=/usr/lib/wine/wineserver64
[[ -x $WINESERVER ]] || WINESERVER=$(command -v wineserver)

# --- The Windows program ----------------------------------------------------
if [[ -z "${WINDOWS_PROGRAM_DIR:-}" ]]; then
  WINDOWS_PROGRAM_DIR="$root/$WINDOWS_BUILD_DIR/program"
  step "Building the Windows program into $WINDOWS_PROGRAM_DIR"
  toolkit=$(scripts/build-qt-windows.sh | tail -n 1)
  cmake -S . -B "$WINDOWS_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DKEVO_QT_WINDOWS="$toolkit" -DKEVO_WITH_QT=ON >/dev/null
  cmake --build "$WINDOWS_BUILD_DIR" -j "$(nproc)"
  rm -rf "$WINDOWS_PROGRAM_DIR"
  cmake --install "$WINDOWS_BUILD_DIR" --prefix "$WINDOWS_PROGRAM_DIR" >/dev/null
fi
WINDOWS_PROGRAM_DIR=$(cd "$WINDOWS_PROGRAM_DIR" && pwd)
[[ -f "$WINDOWS_PROGRAM_DIR/kevoconf.exe" ]] || {
  echo "no kevoconf.exe in $WINDOWS_PROGRAM_DIR" >&2
  exit 1
}

# --- The tests, in the Linux build -------------------------------------------
if [[ ! -f "$LINUX_BUILD_DIR/CMakeCache.txt" ]]; then
  step "Configuring the Linux build in $LINUX_BUILD_DIR"
  cmake -S . -B "$LINUX_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
step "Building wine_e2e_test in $LINUX_BUILD_DIR"
cmake --build "$LINUX_BUILD_DIR" --target wine_e2e_test e2e_host_frame -j "$(nproc)"

# --- A fresh Wine prefix ------------------------------------------------------
temp=$(mktemp -d /tmp/kevo-wine-program.XXXXXX)
export WINEPREFIX="$temp/wine" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  local status=$?
  timeout 30 "$WINESERVER" -k 2>/dev/null || true
  timeout 30 "$WINESERVER" -w 2>/dev/null || true
  if [[ -z "${KEEP_WINE_TEMP:-}" ]]; then
    # The server's socket folder of this prefix (named by its device and
    # inode) goes too.
    if [[ -d "$WINEPREFIX" ]]; then
      local server
      server=$(stat -c '%d %i' "$WINEPREFIX" | { read -r d i; printf 'server-%x-%x' "$d" "$i"; })
      for folder in /tmp/wine-*/"$server" /tmp/.wine-"$(id -u)"/"$server"; do
        [[ -d $folder ]] && rm -rf "$folder" && rmdir "$(dirname "$folder")" 2>/dev/null
      done
    fi
    rm -rf "$temp"
  else
    echo "kept $temp"
  fi
  exit "$status"
}
trap cleanup EXIT

step "Making a Wine prefix"
# No display while the prefix is made: its windows would have nowhere to go.
(unset DISPLAY WAYLAND_DISPLAY; timeout 300 "$WINE" wineboot --init >/dev/null 2>&1)
timeout 30 "$WINESERVER" -w 2>/dev/null || true

step "Running kevoconf.exe under Wine"
status=0
KEVO_WINE="$WINE" KEVO_WINESERVER="$WINESERVER" KEVO_WINDOWS_PROGRAM_DIR="$WINDOWS_PROGRAM_DIR" \
  timeout 900 "$LINUX_BUILD_DIR/tests/e2e/wine_e2e_test" "$@" || status=$?

step "kevoconf-check.exe --format prometheus: UTF-8 without a mark, LF line ends"
check_temp="$temp/check"
mkdir -p "$check_temp"
cp samples/KevoName.txt samples/Vezerava.ini samples/printers.txt "$check_temp/"
windows_path() { echo "Z:${1//\//\\}"; }
KEVOCONF_SIMULATED_PRINTERS=$(windows_path "$check_temp/printers.txt") \
  timeout 120 "$WINE" "$WINDOWS_PROGRAM_DIR/kevoconf-check.exe" --format prometheus \
  "$(windows_path "$check_temp/KevoName.txt")" "$(windows_path "$check_temp/Vezerava.ini")" \
  >"$check_temp/metrics.txt" 2>/dev/null || true
metrics="$check_temp/metrics.txt"
if [[ ! -s $metrics ]] || grep -q $'\r' "$metrics" || [[ $(head -c 3 "$metrics") == $'\xEF\xBB\xBF' ]] ||
  [[ $(tail -c 1 "$metrics" | od -An -tx1 | tr -d ' ') != 0a ]] ||
  ! grep -q '^kevoconf_check_result ' <(sed 's/{.*}//' "$metrics") ||
  ! iconv -f UTF-8 -t UTF-8 "$metrics" >/dev/null; then
  echo "kevoconf-check.exe --format prometheus wrote:" >&2
  od -c "$metrics" | head -20 >&2
  status=1
fi

step "Done (exit status $status)"
exit "$status"
