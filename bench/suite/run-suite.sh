#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the benchmark suite and prints its table: the program's mode-2 run,
# recheck, save and reload at 99 lines over 1, 20 and 200 printers of a
# private CUPS scheduler (and 20 lines over 20 printers), beside
# admin-check.sh, with medians, spreads, peak memory, ratios and goals.
#
#   bench/suite/run-suite.sh BUILD [--runs=N] [--admin-runs=N] [benchmark options]
#
# BUILD is a CMake build folder of this project with the tests and
# benchmarks on (the default); use a Release one for figures:
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   bench/suite/run-suite.sh build-release
# suite_bench and kevoconf are brought up to date there first. Needs
# cupsd, lpadmin, lpstat and lpoptions (cups-daemon, cups-client); takes
# about a minute with the default runs (10, and 3 of the admin script).
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    sed -n '8,16p' "$0" >&2
    exit 2
fi
build=$1
shift

cmake --build "$build" --target suite_bench kevoconf >&2
exec "$build/bench/suite/suite_bench" "$@"
