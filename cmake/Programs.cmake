# SPDX-License-Identifier: Apache-2.0
include(GNUInstallDirs)

# kevo_install_program(target): installs one of the programs. On Windows it
# carries the version resource (with the icon) and goes to the top of the
# program folder, beside the Qt DLLs; elsewhere into bin/.
function(kevo_install_program target)
  if(WIN32)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:kevo_version_resource>)
    install(TARGETS ${target} RUNTIME DESTINATION .)
  else()
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
