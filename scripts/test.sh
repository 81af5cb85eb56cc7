#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds KevoConf and runs every test, in this order:
#   1. the build with warnings as errors (build/), and every CTest test in
#      it: unit, widget (offscreen), integration (a private CUPS scheduler),
#      end-to-end and fault tests (the real program under Xvfb);
#   2. the Qt-free code again with AddressSanitizer and
#      UndefinedBehaviorSanitizer (build-asan/), and its unit tests;
#   3. the Windows program cross-built with MinGW-w64, its test runner
#      under Wine, and its installer, ZIP and MSI (scripts/test-windows.sh);
#   4. kevoconf.exe end to end under Wine (scripts/test-windows-program.sh);
#   5. a minute of fuzzing per fuzz target and the save-fault and crash
#      tests (scripts/test-faults.sh).
#
#   scripts/test.sh            everything
#   BUILD_DIR=... scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
ASAN_DIR=${ASAN_DIR:-build-asan}
JOBS=$(nproc)

echo "== Build (warnings are errors)"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"

echo "== Tests"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" --timeout 300

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B "$ASAN_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKEVO_SANITIZE=ON \
  -DKEVO_BUILD_BENCHMARKS=OFF -DKEVO_WITH_QT=OFF >/dev/null
cmake --build "$ASAN_DIR" -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$ASAN_DIR" --output-on-failure -j "$JOBS" -L unit --timeout 300

echo "== The Windows program: cross-built with MinGW-w64 and Qt for Windows, tested under Wine"
LINUX_BUILD_DIR="$BUILD_DIR" scripts/test-windows.sh
echo "== The Windows program end to end under Wine"
LINUX_BUILD_DIR="$BUILD_DIR" scripts/test-windows-program.sh

echo "== Fuzzing (libFuzzer, a minute per target) and the save-fault and crash tests"
BUILD_DIR="$BUILD_DIR" FAULTS_CTEST=0 scripts/test-faults.sh
