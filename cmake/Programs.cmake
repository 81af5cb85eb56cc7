# SPDX-License-Identifier: Apache-2.0
include(GNUInstallDirs)

# The name of the mutex that the programs hold while they run on Windows
# (src/platform/win/RunningMark_win.cpp), in the global namespace; the
# installer and the uninstaller refuse to go on while it exists.
set(KEVO_RUNNING_MUTEX_NAME "KevoConfRunning")

# kevo_install_program(target): installs one of the programs. On Windows it
# carries the version resource (with the icon) and the running mark, and goes
# to the top of the program folder, beside the Qt DLLs; elsewhere into bin/.
function(kevo_install_program target)
  if(WIN32)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:kevo_version_resource>
      ${PROJECT_SOURCE_DIR}/src/platform/win/RunningMark_win.cpp)
    set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/platform/win/RunningMark_win.cpp
      TARGET_DIRECTORY ${target}
      PROPERTY COMPILE_DEFINITIONS KEVO_RUNNING_MUTEX_NAME="${KEVO_RUNNING_MUTEX_NAME}")
    install(TARGETS ${target} RUNTIME DESTINATION .)
    # packaging/windows signs them where they land.
    set_property(GLOBAL APPEND PROPERTY KEVO_WINDOWS_PROGRAMS ${target})
  else()
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
