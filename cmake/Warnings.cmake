# SPDX-License-Identifier: Apache-2.0
# Our own code builds with warnings as errors; third-party headers do not
# count because they come in as system includes.
function(kevo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports overlapping copies that cannot happen when it inlines
  # std::string concatenation at -O2 and above (its bug 105329); the warning
  # stays on, but does not fail optimised builds.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-error=restrict)
  endif()
endfunction()
