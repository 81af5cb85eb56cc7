# SPDX-License-Identifier: Apache-2.0
# Installs the build into a folder of its own and checks what lands where:
#
#   cmake -DBUILD_DIR=... -DPREFIX=... -DICON_DIR=... -DWITH_QT=ON|OFF -DWITH_CUPS=ON|OFF \
#         -P InstallLayout.cmake
#
# The icon files are checked to be PNG pictures of their folder's size.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(expected
  bin/kevoconf-check
  bin/kevoconf-printers
  share/applications/kevoconf.desktop
  share/man/man1/kevoconf.1.gz
  share/man/man1/kevoconf-check.1.gz
  share/man/man1/kevoconf-printers.1.gz
  share/doc/kevoconf/examples/KevoName.txt
  share/doc/kevoconf/examples/Vezerava.ini
  share/doc/kevoconf/examples/printers.txt
  share/doc/kevoconf/SIMULATED.md
  share/doc/kevoconf/copyright
  share/doc/kevoconf/changelog.gz
  share/metainfo/com.example.kevoconf.metainfo.xml)
if(WITH_QT)
  list(APPEND expected bin/kevoconf)
endif()
set(programs kevoconf-check kevoconf-printers)
set(pages kevoconf kevoconf-check kevoconf-printers)
if(WITH_CUPS)
  list(APPEND expected bin/kevoconf-print share/man/man1/kevoconf-print.1.gz)
  list(APPEND programs kevoconf-print)
  list(APPEND pages kevoconf-print)
endif()
file(GLOB icons "${ICON_DIR}/kevoconf-*.png")
if(NOT icons)
  message(FATAL_ERROR "no program icon in ${ICON_DIR}")
endif()
foreach(icon IN LISTS icons)
  string(REGEX REPLACE ".*kevoconf-([0-9]+)\\.png$" "\\1" size "${icon}")
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/kevoconf.png)
endforeach()

foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
# The installed companions run.
foreach(program IN LISTS programs)
  execute_process(COMMAND "${PREFIX}/bin/${program}" --version
    RESULT_VARIABLE result OUTPUT_VARIABLE version)
  if(NOT result EQUAL 0 OR NOT version MATCHES "^${program} \\(KevoConf\\) ")
    message(FATAL_ERROR "bin/${program} --version: ${result}, ${version}")
  endif()
endforeach()

# Each icon is a PNG whose header gives the size its folder names.
file(GLOB installed_icons "${PREFIX}/share/icons/hicolor/*/apps/kevoconf.png")
foreach(icon IN LISTS installed_icons)
  file(READ "${icon}" signature LIMIT 8 HEX)
  if(NOT signature STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "not a PNG file: ${icon}")
  endif()
  file(READ "${icon}" header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${header}" 0 8 width)
  string(SUBSTRING "${header}" 8 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT icon MATCHES "/${width}x${height}/apps/" OR NOT width EQUAL height)
    message(FATAL_ERROR "${icon} is ${width}x${height}")
  endif()
endforeach()

# The manual pages are filled in: nothing of their templates is left, and
# they name the examples folder under the prefix installed to.
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/${page}.1.gz"
    OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the manual page of ${page} cannot be uncompressed")
  endif()
  if(text MATCHES "@[A-Z_]+@")
    message(FATAL_ERROR "the manual page of ${page} holds an unfilled ${CMAKE_MATCH_0}")
  endif()
  if(NOT text MATCHES "${PREFIX}/share/doc/kevoconf/examples")
    message(FATAL_ERROR "the manual page of ${page} does not name ${PREFIX}/share/doc/kevoconf/examples")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
list(LENGTH expected count)
message(STATUS "install layout: all ${count} files in place")
