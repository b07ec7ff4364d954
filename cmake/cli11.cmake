# CLI11 (header-only argument parser) as the interface target stats_cli11.
# As with Boost, the MinGW cross build gets the host's CLI/ headers alone.
include(${CMAKE_CURRENT_LIST_DIR}/host-headers.cmake)
add_library(stats_cli11 INTERFACE)

if(CMAKE_CROSSCOMPILING)
  set(STATS_CLI11_INCLUDE_DIR "/usr/include" CACHE PATH "Directory that holds the host's CLI/ headers")
  if(NOT EXISTS "${STATS_CLI11_INCLUDE_DIR}/CLI/CLI.hpp")
    message(FATAL_ERROR "CLI11 headers not found in ${STATS_CLI11_INCLUDE_DIR}; run scripts/install-deps.sh")
  endif()
  stats_host_headers(stats_cli11 CLI "${STATS_CLI11_INCLUDE_DIR}")
else()
  find_package(CLI11 CONFIG REQUIRED)
  target_link_libraries(stats_cli11 INTERFACE CLI11::CLI11)
endif()
