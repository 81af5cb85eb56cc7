#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Draws the menu pictures and the program's icon again into resources/
# (pictures/*.png, icons/*.png) with the kevo_draw_pictures program.
#
#   resources/draw-pictures.sh            builds in build-pictures/
#   BUILD_DIR=... resources/draw-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-pictures}
cmake -S . -B "$BUILD_DIR" -G Ninja -DKEVO_WITH_CUPS=OFF -DKEVO_BUILD_TESTS=OFF \
  -DKEVO_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD_DIR" --target kevo_draw_pictures
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/resources/kevo_draw_pictures" resources
echo "Pictures written under resources/pictures and resources/icons."
