#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what building and testing KevoConf needs on Debian 12, and the
# packages named as arguments. Does nothing when everything is there
# already.
#
#   scripts/install-deps.sh              the build's and the tests' packages
#   scripts/install-deps.sh --only P...  just the packages P
set -euo pipefail

PACKAGES=(
  cmake g++ ninja-build pkg-config
  libgtest-dev libbenchmark-dev
  libcups2-dev cups-daemon cups-client cups
  # kevoconf-print's tests print PostScript and PDF through the scheduler's
  # filters (pstops; pdftopdf and pdftops, which render with Ghostscript).
  cups-filters ghostscript
  qt6-base-dev libxcb1-dev
  xvfb xauth openbox xdotool x11-utils fonts-wine
  # The end-to-end test in a Wayland session: weston with XWayland.
  weston xwayland
  dpkg-dev file desktop-file-utils appstream
)

if [[ ${1:-} == --only ]]; then
  shift
  PACKAGES=("$@")
else
  PACKAGES+=("$@")
fi

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
