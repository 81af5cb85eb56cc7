#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the many-queues bench and prints its table: the mode-2 run at 99
# lines over 20 printers on private CUPS schedulers that hold 20, 2,000 and
# 10,000 queues, side by side, directly and at a 30 ms round trip, with the
# ratios to the 20-queue run, peak memory, and the print setup dialog's
# first opening.
#
#   bench/suite/run-many-queues.sh BUILD [--runs=N] [--delay=MS] [--sizes=20,2000,10000]
#                                        [--program=PATH] [--before=PATH] [--dialog-runs=N]
#
# BUILD is a CMake build folder of this project with the tests and
# benchmarks on; use a Release one for figures. Setting up the schedulers
# takes about a minute, the runs (10 of each) about two.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    sed -n '8,14p' "$0" >&2
    exit 2
fi
build=$1
shift

cmake --build "$build" --target many_queues_bench kevoconf >&2
exec "$build/bench/suite/many_queues_bench" "$@"
