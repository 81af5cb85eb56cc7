# Our own code builds with warnings as errors; third-party headers do not
# count because they come in as system includes.
function(kevo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
