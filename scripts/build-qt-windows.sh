#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes Qt 6.4.2 for Windows (MinGW-w64: Core, Gui, Widgets, Test, the
# windows platform plugin and the windowsvista style; no network, SQL, D-Bus
# or OpenGL) for the Windows build, and prints its folder on the last line.
#
#   scripts/build-qt-windows.sh                 the toolkit, made once
#   KEVO_QT_WINDOWS=FOLDER scripts/build-qt-windows.sh
#
# In this order:
#   1. KEVO_QT_WINDOWS names a toolkit (FOLDER/bin/Qt6Core.dll): that one;
#   2. a toolkit in the cache (KEVO_QT_CACHE, default ~/.cache/kevoconf) made
#      before: that one, nothing is done;
#   3. KEVO_QT_WINDOWS names a folder that holds the archive
#      qt6.4.2-mingw64.tar.xz (CI gives ../shared/toolkits): unpacked into
#      the cache (seconds);
#   4. otherwise built from Debian's own qt6-base source (apt-get source,
#      through a deb-src entry for bookworm) with the host's Qt tools, by
#      scripts/qt-windows/build-qtbase.sh: about half an hour on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

VERSION=6.4.2
ARCHIVE_NAME=qt${VERSION}-mingw64.tar.xz
CACHE=${KEVO_QT_CACHE:-${HOME:-/root}/.cache/kevoconf}
TOOLKIT=$CACHE/qt${VERSION}-mingw64

say() { echo "build-qt-windows: $*" >&2; }
is_toolkit() { [[ -f $1/bin/Qt6Core.dll && -f $1/plugins/platforms/qwindows.dll && -d $1/lib/cmake/Qt6 ]]; }

given=${KEVO_QT_WINDOWS:-}
if [[ -n $given ]] && is_toolkit "$given"; then
  say "using the toolkit in $given"
  echo "$(cd "$given" && pwd)"
  exit 0
fi
if is_toolkit "$TOOLKIT" && [[ -f $TOOLKIT/.kevo-complete ]]; then
  say "the toolkit is there already"
  echo "$TOOLKIT"
  exit 0
fi

mkdir -p "$CACHE"
rm -rf "$TOOLKIT" "$CACHE/unpack"
if [[ -n $given && -f $given/$ARCHIVE_NAME ]]; then
  say "unpacking $given/$ARCHIVE_NAME"
  mkdir -p "$CACHE/unpack"
  tar -C "$CACHE/unpack" -xJf "$given/$ARCHIVE_NAME"
  # The archive holds one folder (qt6-mingw).
  mv "$CACHE/unpack"/* "$TOOLKIT"
  rmdir "$CACHE/unpack"
else
  say "no prebuilt toolkit given: building it from Debian's qt6-base source (long)"
  scripts/install-deps.sh --only qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix \
    cmake ninja-build perl dpkg-dev xz-utils
  work="$CACHE/qtbase-build"
  mkdir -p "$work"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
  if ! ls "$work"/qt6-base_${VERSION}+dfsg.orig.tar.xz >/dev/null 2>&1; then
    # Source entries beside the machine's binary ones, when it has none.
    if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
          $SUDO tee /etc/apt/sources.list.d/kevo-qt-src.sources >/dev/null
      else
        { grep -hE '^deb .*debian' /etc/apt/sources.list 2>/dev/null || true; } |
          sed 's/^deb /deb-src /' | $SUDO tee /etc/apt/sources.list.d/kevo-qt-src.list >/dev/null
      fi
    fi
    $SUDO apt-get update -qq
    (cd "$work" && apt-get source --download-only qt6-base >&2)
  fi
  SRC_TAR=$(ls "$work"/qt6-base_${VERSION}+dfsg.orig.tar.xz) \
    "$root/scripts/qt-windows/build-qtbase.sh" "$work" "$TOOLKIT" >&2
fi
is_toolkit "$TOOLKIT" || { say "no usable toolkit in $TOOLKIT"; exit 1; }
touch "$TOOLKIT/.kevo-complete"
say "the toolkit is in $TOOLKIT"
echo "$TOOLKIT"
