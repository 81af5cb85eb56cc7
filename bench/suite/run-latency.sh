#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the far-print-server bench and prints its table: the program's mode-2
# run at 99 lines over 20 printers of a private CUPS scheduler reached
# through the latency proxy at 0, 5, 15 and 50 ms one-way delay, beside
# admin-check.sh through the same proxy.
#
#   bench/suite/run-latency.sh BUILD [--runs=N] [--admin-runs=N] [--delays=0,5,15,50]
#
# BUILD is a CMake build folder of this project with the tests and
# benchmarks on; use a Release one for figures. latency_bench and kevoconf
# are brought up to date there first. The admin script is slow at the
# longer delays: about 5 minutes with the default runs (10, and 3 of it).
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    sed -n '8,13p' "$0" >&2
    exit 2
fi
build=$1
shift

cmake --build "$build" --target latency_bench kevoconf >&2
exec "$build/bench/suite/latency_bench" "$@"
