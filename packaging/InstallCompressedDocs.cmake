# SPDX-License-Identifier: Apache-2.0
# Runs at install time (cmake --install, cpack): fills the version and the
# examples folder under the prefix being installed to into the manual
# pages and the package's change log, compresses them as Debian installs
# them, and installs them. Done
# then and not at configure time because CPack installs to its own prefix
# (/usr), whatever CMAKE_INSTALL_PREFIX was when the project was configured.
#
# Set by packaging/CMakeLists.txt: KEVO_MAN_SOURCE_DIR, KEVO_MAN_BINARY_DIR,
# KEVO_MAN_PAGES, KEVO_CHANGELOG, KEVO_GZIP, KEVO_DATAROOTDIR, KEVO_MANDIR,
# PROJECT_VERSION.
foreach(dir KEVO_DATAROOTDIR KEVO_MANDIR)
  if(IS_ABSOLUTE "${${dir}}")
    set(${dir}_FULL "${${dir}}")
  else()
    set(${dir}_FULL "${CMAKE_INSTALL_PREFIX}/${${dir}}")
  endif()
endforeach()
set(KEVO_DOC_DIR "${KEVO_DATAROOTDIR_FULL}/doc/kevoconf")
set(KEVO_EXAMPLES_DIR "${KEVO_DOC_DIR}/examples")

# Fills in source (a template) as name in the binary folder, compresses it
# and installs name.gz into destination.
function(kevo_install_compressed source name destination)
  configure_file("${source}" "${KEVO_MAN_BINARY_DIR}/${name}" @ONLY)
  # -n: no name or time stamp inside, so that builds give the same bytes.
  execute_process(COMMAND "${KEVO_GZIP}" -9nkf "${name}"
    WORKING_DIRECTORY "${KEVO_MAN_BINARY_DIR}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${name}")
  endif()
  file(INSTALL "${KEVO_MAN_BINARY_DIR}/${name}.gz" DESTINATION "${destination}")
endfunction()

file(MAKE_DIRECTORY "${KEVO_MAN_BINARY_DIR}")
foreach(page IN LISTS KEVO_MAN_PAGES)
  kevo_install_compressed("${KEVO_MAN_SOURCE_DIR}/${page}.in" "${page}" "${KEVO_MANDIR_FULL}/man1")
endforeach()
kevo_install_compressed("${KEVO_CHANGELOG}" changelog "${KEVO_DOC_DIR}")
