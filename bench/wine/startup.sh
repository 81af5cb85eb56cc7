#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Start-up of the Windows program under Wine: kevoconf.exe 2 on a clean setup
# (lines 1 and 2 of the demo, on the demo's simulated printers) from process
# start to its end, against the floor of a trivial Qt program with one window
# (kevo_trivial_qt.exe) in the same warm prefix, on Xvfb with openbox. Prints
# the median and the maximum of RUNS runs of each and their ratio.
#
#   WINDOWS_BUILD_DIR=build-windows RUNS=10 bench/wine/startup.sh
#
# Needs the Windows build (docs/development.md, "Building for Windows") with the targets
# kevoconf and kevo_trivial_qt.
set -euo pipefail
cd "$(dirname "$0")/../.."
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
RUNS=${RUNS:-10}
scripts/install-deps.sh --only wine64 xvfb xauth openbox >/dev/null
# wine64 with the address-space layout fixed (why: scripts/wine.sh).
WINE=$PWD/scripts/wine.sh
WINESERVER=/usr/lib/wine/wineserver64
[[ -x $WINESERVER ]] || WINESERVER=$(command -v wineserver)

temp=$(mktemp -d /tmp/kevo-wine-bench.XXXXXX)
cleanup() {
  WINEPREFIX="$temp/prefix" timeout 30 "$WINESERVER" -k 2>/dev/null || true
  [[ -n ${wm:-} ]] && kill "$wm" 2>/dev/null || true
  [[ -n ${xvfb:-} ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$temp"
}
trap cleanup EXIT

cmake --build "$WINDOWS_BUILD_DIR" --target kevoconf kevo_trivial_qt >/dev/null
cmake --install "$WINDOWS_BUILD_DIR" --prefix "$temp/program" >/dev/null
cp "$WINDOWS_BUILD_DIR/bench/wine/kevo_trivial_qt.exe" "$temp/program/"
printf 'Invoices\r\nDelivery Notes\r\n' >"$temp/KevoName.txt"
sed -n '/^\[1\]/,/^\[3\]/p' samples/Vezerava.ini | sed '$d' >"$temp/Vezerava.ini"

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 number <&"$displayfd"
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
wm=$!

export WINEPREFIX="$temp/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export KEVOCONF_SIMULATED_PRINTERS="Z:${PWD//\//\\}\\samples\\printers.txt"
timeout 300 "$WINE" wineboot --init >/dev/null 2>&1
windows_path() { echo "Z:${1//\//\\}"; }
program=$(windows_path "$temp/program")

# Milliseconds of each run, one per line.
measure() {
  for ((run = 0; run <= RUNS; ++run)); do
    local start end
    start=$(date +%s%N)
    timeout 120 "$WINE" "$@" >/dev/null 2>&1 || {
      echo "failed (status $?): $*" >&2
      exit 1
    }
    end=$(date +%s%N)
    # The first run warms the prefix and the file cache: not counted.
    ((run > 0)) && echo $(((end - start) / 1000000))
  done
}
stats() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%d %d\n", m, v[NR] }'; }

read -r floor floor_max < <(measure "$program\\kevo_trivial_qt.exe" | stats)
read -r kevo kevo_max < <(measure "$program\\kevoconf.exe" 2 "$(windows_path "$temp/KevoName.txt")" \
  "$(windows_path "$temp/Vezerava.ini")" | stats)
cmp -s "$temp/Vezerava.ini" <(sed -n '/^\[1\]/,/^\[3\]/p' samples/Vezerava.ini | sed '$d') ||
  { echo "kevoconf.exe 2 changed the setup file: the setup was not clean" >&2; exit 1; }
echo "Wine start-up, $RUNS runs each (median / maximum, ms):"
echo "  trivial Qt program   $floor / $floor_max"
echo "  kevoconf.exe 2       $kevo / $kevo_max"
awk -v k="$kevo" -v f="$floor" 'BEGIN { printf "  ratio                %.2f\n", k / f }'
