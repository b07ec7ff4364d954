# The MinGW cross build must not see /usr/include as a whole, or the host's glibc headers would
# shadow the MinGW ones. A header-only library of the host is given to it through a directory in
# the build tree that holds only a link to that library's folder of headers.
#
#   stats_host_headers(<interface target> <folder under the include dir> <include dir>)
function(stats_host_headers target folder include_dir)
  set(only_dir "${CMAKE_BINARY_DIR}/${folder}-headers-only")
  file(MAKE_DIRECTORY "${only_dir}")
  file(CREATE_LINK "${include_dir}/${folder}" "${only_dir}/${folder}" SYMBOLIC)
  target_include_directories(${target} SYSTEM INTERFACE "${only_dir}")
endfunction()
