# SPDX-License-Identifier: Apache-2.0
# Cross-builds the Windows side (x86_64, MinGW-w64) on Debian:
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
#
# Packages: g++-mingw-w64-x86-64-posix (the compilers, binutils and the
# Windows headers and import libraries). The "posix" thread model is the one
# whose C++ library has std::thread and std::mutex, which GoogleTest needs.
# Programs are linked statically, so that they run under Wine or on Windows
# without the compiler's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KEVO_MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${KEVO_MINGW_TRIPLET}-gcc-posix ${KEVO_MINGW_TRIPLET}-gcc
  REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KEVO_MINGW_TRIPLET}-g++-posix ${KEVO_MINGW_TRIPLET}-g++
  REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KEVO_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KEVO_MINGW_TRIPLET})

# Qt for Windows (scripts/build-qt-windows.sh makes it): its folder in
# KEVO_QT_WINDOWS, from the cache or the environment. Its moc, rcc and uic
# are the host's (qt6-base-dev, the same version).
if(NOT KEVO_QT_WINDOWS AND DEFINED ENV{KEVO_QT_WINDOWS})
  set(KEVO_QT_WINDOWS $ENV{KEVO_QT_WINDOWS})
endif()
if(KEVO_QT_WINDOWS)
  set(KEVO_QT_WINDOWS ${KEVO_QT_WINDOWS} CACHE PATH "Qt 6 for Windows (MinGW-w64)")
  list(APPEND CMAKE_FIND_ROOT_PATH ${KEVO_QT_WINDOWS})
  list(APPEND CMAKE_PREFIX_PATH ${KEVO_QT_WINDOWS})
  set(QT_HOST_PATH /usr CACHE PATH "")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Lets CTest run the Windows programs here.
find_program(KEVO_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KEVO_WINE64)
  find_program(KEVO_WINE64 NAMES wine64 wine)
endif()
if(KEVO_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KEVO_WINE64})
endif()
