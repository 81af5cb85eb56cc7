#!/usr/bin/env bash
# Builds KevoConf and runs it on its demo data: simulated printers and the
# sample names and setup files under samples/.
#
# The configurator's window is not built yet. Until it is, this shows what
# the program sees of the simulated printers, through the same printer
# catalogue code the window will use.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target kevoconf-printers

echo "The configurator's window is not built yet; the printers it would see:"
KEVOCONF_SIMULATED_PRINTERS="$PWD/samples/printers.txt" "$BUILD_DIR/tools/printers/kevoconf-printers"
