#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Kept with the project (scripts/build-qt-windows.sh runs it) so that the
# toolkit can be made again from source on any machine.
# Cross-builds Qt 6.4.2 (qtbase: Core, Gui, Widgets, Test, the windows platform plugin) for
# x86_64-w64-mingw32 from Debian's qt6-base 6.4.2+dfsg-10 source with Debian's security patches
# (debian-patches.txt beside this script) and the features of features.txt, with the host's Qt
# 6.4.2 tools.
#   build-qtbase.sh WORK_DIR [PREFIX]   builds in WORK_DIR (logs there), installs into PREFIX
#                                       (default WORK_DIR/qt6-mingw), toolchain file in PREFIX
# Needs: qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix cmake ninja-build perl patch,
# and the source: a deb-src line for bookworm main, then
# `apt-get source --download-only qt6-base=6.4.2+dfsg-10`, which brings the orig tarball (SRC_TAR)
# and Debian's patches (DEBIAN_TAR, qt6-base_6.4.2+dfsg-10.debian.tar.xz).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
W=$(mkdir -p "$1" && cd "$1" && pwd)
PREFIX=$(mkdir -p "${2:-$W/qt6-mingw}" && cd "${2:-$W/qt6-mingw}" && pwd)
SRC_TAR=${SRC_TAR:-$(ls "$PWD"/qt6-base_6.4.2+dfsg.orig.tar.xz 2>/dev/null || true)}
DEBIAN_TAR=${DEBIAN_TAR:-$(ls "$PWD"/qt6-base_6.4.2+dfsg-10.debian.tar.xz 2>/dev/null || true)}
[ -f "$SRC_TAR" ] && [ -f "$DEBIAN_TAR" ] || { echo "need SRC_TAR and DEBIAN_TAR (see the header)"; exit 1; }
# The two lists, without their comments.
list() { sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$HERE/$1"; }
cd $W
if [ ! -d qtbase-everywhere-src-6.4.2 ]; then
  tar xJf "$SRC_TAR"
  mkdir -p debian-src && tar -C debian-src -xJf "$DEBIAN_TAR"
  for p in $(list debian-patches.txt); do
    patch -d qtbase-everywhere-src-6.4.2 -p1 --forward < "debian-src/debian/patches/$p"
  done
  # Debian's source leaves out src/3rdparty/wintab (the legacy Wintab tablet API): build the windows
  # platform plugin without it; pen input still arrives through WM_POINTER as mouse input.
  ( cd qtbase-everywhere-src-6.4.2/src/plugins/platforms/windows &&
    sed -i 's/QT_CONFIG(tabletevent)/0 \/\* wintab.h is not in this source \*\//' \
      qwindowscontext.cpp qwindowspointerhandler.cpp qwindowspointerhandler.h &&
    sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION FALSE/' CMakeLists.txt &&
    # Without OpenGL the plugin's software-GL check has nothing to ask.
    sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' qwindowswindow.cpp &&
    # Gui builds the DirectWrite font database only with Direct2D, which is off: use the GDI one.
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' qwindowsintegration.cpp )
fi
# The toolchain file lives in the install, so that qt-cmake (which chain-loads it) works from there.
TOOLCHAIN=$PREFIX/mingw-w64-x86_64.cmake
cat > "$TOOLCHAIN" <<'T'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
T
start=$(date +%s)
cmake -S qtbase-everywhere-src-6.4.2 -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  $(list features.txt | while read -r name state; do echo "-DFEATURE_$name=$state"; done) \
  > configure.log 2>&1 || { echo CONFIGURE FAILED; tail -40 configure.log; exit 1; }
echo "configured in $(( $(date +%s) - start )) s"
nice -n 15 cmake --build build -j2 > build.log 2>&1 || { echo BUILD FAILED; tail -40 build.log; exit 1; }
echo "built in $(( $(date +%s) - start )) s"
cmake --install build > install.log 2>&1 || { echo INSTALL FAILED; tail -20 install.log; exit 1; }
echo "installed in $(( $(date +%s) - start )) s"; find "$PREFIX" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp -r qtbase-everywhere-src-6.4.2/LICENSES "$PREFIX/LICENSES"     # shipped with the DLLs
du -sh "$PREFIX"
