#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds KevoConf and runs it on its demo data: simulated printers
# (samples/printers.txt) and the sample names and setup files, copied to
# build/demo/ so that saving in the demo never changes the samples.
#
#   scripts/demo.sh          the editor (run mode 0)
#   scripts/demo.sh 2        another run mode
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target kevoconf kevoconf-check

mkdir -p "$BUILD_DIR/demo"
DEMO_DIR=$(cd "$BUILD_DIR/demo" && pwd)
cp samples/KevoName.txt samples/Vezerava.ini "$DEMO_DIR/"

export KEVOCONF_SIMULATED_PRINTERS="$PWD/samples/printers.txt"
RUN=("$BUILD_DIR/src/app/kevoconf" "${1:-0}" "$DEMO_DIR/KevoName.txt" "$DEMO_DIR/Vezerava.ini")
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # Without a display the window cannot be seen: show the same check as text.
  echo "No display here, so no window: the demo's check, as kevoconf-check prints it:"
  "$BUILD_DIR/tools/check/kevoconf-check" "${RUN[@]:2}" || true
  exit 0
fi
exec "${RUN[@]}"
