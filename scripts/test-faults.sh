#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The reliability checks: the fuzz targets (clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) for a short run each from the committed
# seeds, then the fault-injection, crash and hostile-input tests (CTest label
# "faults", gcc build with warnings as errors). Fails on any crash, broken
# invariant, lost or corrupted setup file.
#
#   scripts/test-faults.sh                 everything, 60 s per fuzz target
#   FUZZ_SECONDS=600 scripts/test-faults.sh
#   BUILD_DIR=... FUZZ_DIR=... scripts/test-faults.sh
#   FAULTS_CTEST=0 scripts/test-faults.sh  fuzzing only (when the caller's own
#                                          CTest run has the "faults" label)
#
# Installs what it needs (scripts/install-deps.sh, and clang with its
# sanitizer and fuzzer runtimes) with apt-get, through sudo when not root.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# clang, the libFuzzer and sanitizer runtimes, llvm-symbolizer for readable
# stack traces.
FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm)
scripts/install-deps.sh --only "${FUZZ_PACKAGES[@]}"

BUILD_DIR=${BUILD_DIR:-build}
FUZZ_DIR=${FUZZ_DIR:-build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
JOBS=$(nproc)
start=$(date +%s)

echo "== Fuzz targets: $FUZZ_SECONDS s each"
CC=clang CXX=clang++ cmake -S . -B "$FUZZ_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKEVO_FUZZ=ON -DKEVO_WITH_QT=OFF -DKEVO_WITH_CUPS=OFF -DKEVO_BUILD_TESTS=OFF \
  -DKEVO_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$FUZZ_DIR" --target kevo_fuzz -j "$JOBS"
fuzz/run-short.sh "$FUZZ_DIR" "$FUZZ_SECONDS"

if [[ ${FAULTS_CTEST:-1} != 0 ]]; then
  echo "== Fault injection, crash and hostile-input tests"
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BUILD_DIR" -j "$JOBS"
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" -L faults --timeout 300
fi

echo "== Reliability checks passed in $(($(date +%s) - start)) s"
