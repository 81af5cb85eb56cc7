#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Takes the pictures of the information windows under Xvfb with openbox as
# the window manager: docs/about-box.png, docs/help-tab1.png and
# docs/help-tab2.png. Each window is shown by kevo_info_show (the about box
# with a fixed machine, so that the picture does not depend on the machine
# it is taken on) and photographed with its frame once it has painted.
#
#   tests/info/screenshots.sh                 builds in build/
#   BUILD_DIR=/path/to/build tests/info/screenshots.sh
#
# Needs xvfb, xauth, openbox, xdotool, x11-utils and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$(pwd)

if [[ "${1:-}" != "--inside" ]]; then
  BUILD_DIR=${BUILD_DIR:-build}
  if [[ ! -d "$BUILD_DIR" ]]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DKEVO_WITH_CUPS=OFF >/dev/null
  fi
  cmake --build "$BUILD_DIR" --target kevo_info_show
  SHOW=$(cd "$BUILD_DIR" && pwd)/tests/info/kevo_info_show
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" --inside "$SHOW"
fi

SHOW=$2
WORK=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

# Waits up to about ten seconds for a command to succeed.
wait_for() {
  for _ in $(seq 1 200); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.05
  done
  echo "timed out waiting for: $*" >&2
  return 1
}

openbox >/dev/null 2>&1 &
pids+=($!)
wait_for xprop -root _NET_SUPPORTING_WM_CHECK
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# shoot WINDOW OUTPUT: shows the window, waits until two pictures of it in
# a row are the same (it has painted), and keeps the last one.
shoot() {
  local which=$1 output=$2
  QT_QPA_PLATFORM=xcb "$SHOW" "$which" &
  local pid=$!
  pids+=("$pid")
  local window=""
  wait_for sh -c "xdotool search --onlyvisible --pid $pid | head -n 1 | grep -q ."
  window=$(xdotool search --onlyvisible --pid "$pid" | head -n 1)
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  local previous="$WORK/previous.png" current="$WORK/current.png"
  import -silent -frame -window "$window" "$previous"
  for _ in $(seq 1 100); do
    sleep 0.05
    import -silent -frame -window "$window" "$current"
    if cmp -s <(convert "$previous" rgba:-) <(convert "$current" rgba:-); then
      break
    fi
    mv "$current" "$previous"
  done
  convert "$current" -strip "$ROOT/$output"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "wrote $output"
}

shoot about docs/about-box.png
shoot help docs/help-tab1.png
shoot shortcuts docs/help-tab2.png
