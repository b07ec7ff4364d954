# CLI11 (header-only argument parser) as the interface target stats_cli11.
#
# As with Boost, the MinGW cross build gets a directory that holds only a link to the CLI/
# headers, so the host's /usr/include never shadows the MinGW headers.
add_library(stats_cli11 INTERFACE)

if(CMAKE_CROSSCOMPILING)
  set(STATS_CLI11_INCLUDE_DIR "/usr/include" CACHE PATH "Directory that holds the host's CLI/ headers")
  if(NOT EXISTS "${STATS_CLI11_INCLUDE_DIR}/CLI/CLI.hpp")
    message(FATAL_ERROR "CLI11 headers not found in ${STATS_CLI11_INCLUDE_DIR}; run scripts/install-deps.sh")
  endif()
  set(cli11_only_dir "${CMAKE_BINARY_DIR}/cli11-headers-only")
  file(MAKE_DIRECTORY "${cli11_only_dir}")
  file(CREATE_LINK "${STATS_CLI11_INCLUDE_DIR}/CLI" "${cli11_only_dir}/CLI" SYMBOLIC)
  target_include_directories(stats_cli11 SYSTEM INTERFACE "${cli11_only_dir}")
else()
  find_package(CLI11 CONFIG REQUIRED)
  target_link_libraries(stats_cli11 INTERFACE CLI11::CLI11)
endif()
