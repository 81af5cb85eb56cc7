#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes Qt 6.4.2 for Windows (MinGW-w64: Core, Gui, Widgets, Test, the
# windows platform plugin and the windowsvista style) from Debian's qt6-base
# source with Debian's security patches, for the Windows build, and prints
# its folder on the last line. The patches applied and the features built
# are those of scripts/qt-windows/debian-patches.txt and features.txt, on
# both routes below.
#
#   scripts/build-qt-windows.sh                 the toolkit, made once
#   KEVO_QT_WINDOWS=FOLDER scripts/build-qt-windows.sh
#
# In this order:
#   1. KEVO_QT_WINDOWS names a toolkit (FOLDER/bin/Qt6Core.dll): that one;
#   2. KEVO_QT_WINDOWS names a folder that holds the prebuilt archive
#      qt6.4.2+dfsg-10-mingw64.tar.xz (CI gives ../shared/toolkits): its
#      checksum must be the one below; it is unpacked into the cache once
#      (seconds), into a folder named by that checksum, so that a cache
#      holding another toolkit never stands in for it;
#   3. otherwise built from Debian's qt6-base 6.4.2+dfsg-10 source (apt-get
#      source, through a deb-src entry for bookworm) with the host's Qt
#      tools, by scripts/qt-windows/build-qtbase.sh, into a cache folder
#      named by the recipe (the script and its two lists): about half an
#      hour on two cores, once.
# The cache is KEVO_QT_CACHE, default ~/.cache/kevoconf. A toolkit whose
# configuration disagrees with features.txt is refused.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

VERSION=6.4.2
DEBIAN_VERSION=6.4.2+dfsg-10
ARCHIVE_NAME=qt${DEBIAN_VERSION}-mingw64.tar.xz
ARCHIVE_SHA256=ca4930221ccb80ce79c514fe7b1278703f6cb7ad354f7b951064e676e356988b
CACHE=${KEVO_QT_CACHE:-${HOME:-/root}/.cache/kevoconf}
RECIPE=("$root/scripts/qt-windows/build-qtbase.sh" "$root/scripts/qt-windows/debian-patches.txt"
  "$root/scripts/qt-windows/features.txt")

say() { echo "build-qt-windows: $*" >&2; }
is_toolkit() { [[ -f $1/bin/Qt6Core.dll && -f $1/plugins/platforms/qwindows.dll && -d $1/lib/cmake/Qt6 ]]; }

# Each feature of features.txt as the toolkit's configuration headers give it
# (QT_FEATURE_name 1 or -1); the wrong ones are named and refused.
check_features() {
  local toolkit=$1 wrong=() name state want got
  while read -r name state; do
    want=-1
    [[ $state == ON ]] && want=1
    got=$(grep -rhoE "^#define QT_FEATURE_${name} -?1\$" "$toolkit/include" 2>/dev/null |
      awk '{print $3}' | sort -u)
    [[ $got == "$want" ]] || wrong+=("$name=${got:-missing} (wanted $state)")
  # The list without its comments, read as build-qtbase.sh reads it.
  done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$root/scripts/qt-windows/features.txt")
  if ((${#wrong[@]})); then
    say "the toolkit in $toolkit is not built as scripts/qt-windows/features.txt says: ${wrong[*]}"
    return 1
  fi
}

given=${KEVO_QT_WINDOWS:-}
if [[ -n $given ]] && is_toolkit "$given"; then
  check_features "$given"
  say "using the toolkit in $given"
  echo "$(cd "$given" && pwd)"
  exit 0
fi

mkdir -p "$CACHE"
if [[ -n $given && -f $given/$ARCHIVE_NAME ]]; then
  archive=$given/$ARCHIVE_NAME
  sum=$(sha256sum "$archive" | cut -d' ' -f1)
  if [[ $sum != "$ARCHIVE_SHA256" ]]; then
    say "$archive is not the toolkit this project builds with (sha256 $sum, wanted $ARCHIVE_SHA256)"
    exit 1
  fi
  TOOLKIT=$CACHE/qt${DEBIAN_VERSION}-mingw64-${sum:0:16}
else
  if [[ -n $given ]]; then
    say "$given holds neither a toolkit nor $ARCHIVE_NAME"
  fi
  archive=
  TOOLKIT=$CACHE/qt${DEBIAN_VERSION}-mingw64-source-$(cat "${RECIPE[@]}" | sha256sum | cut -c1-16)
fi
if is_toolkit "$TOOLKIT" && [[ -f $TOOLKIT/.kevo-complete ]]; then
  say "the toolkit is there already"
  echo "$TOOLKIT"
  exit 0
fi

rm -rf "$TOOLKIT" "$CACHE/unpack"
if [[ -n $archive ]]; then
  say "unpacking $archive"
  mkdir -p "$CACHE/unpack"
  tar -C "$CACHE/unpack" -xJf "$archive"
  # The archive holds one folder (qt6-mingw).
  mv "$CACHE/unpack"/* "$TOOLKIT"
  rmdir "$CACHE/unpack"
else
  say "no prebuilt toolkit given: building it from Debian's qt6-base source (long)"
  scripts/install-deps.sh --only qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix \
    cmake ninja-build perl patch dpkg-dev xz-utils
  # The source is unpacked and patched in a folder of this recipe's own.
  work="$TOOLKIT.work"
  mkdir -p "$work"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
  if ! ls "$work/qt6-base_${DEBIAN_VERSION}.debian.tar.xz" >/dev/null 2>&1; then
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
    (cd "$work" && apt-get source --download-only "qt6-base=${DEBIAN_VERSION}" >&2)
  fi
  SRC_TAR="$work/qt6-base_${VERSION}+dfsg.orig.tar.xz" \
    DEBIAN_TAR="$work/qt6-base_${DEBIAN_VERSION}.debian.tar.xz" \
    "$root/scripts/qt-windows/build-qtbase.sh" "$work" "$TOOLKIT" >&2
fi
is_toolkit "$TOOLKIT" || { say "no usable toolkit in $TOOLKIT"; exit 1; }
check_features "$TOOLKIT"
touch "$TOOLKIT/.kevo-complete"
say "the toolkit is in $TOOLKIT"
echo "$TOOLKIT"
