# The project's version for the programs: stats_version.h in the build tree, through the
# interface target stats_version (kStatsVersion "1.0.0", and the four numbers the version
# resource takes).
configure_file(${CMAKE_SOURCE_DIR}/cmake/stats_version.h.in ${CMAKE_BINARY_DIR}/generated/stats_version.h @ONLY)
add_library(stats_version INTERFACE)
target_include_directories(stats_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
