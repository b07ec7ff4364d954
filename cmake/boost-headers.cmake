# Header-only Boost (the indexes of the QSO log) as the interface target stats_boost_headers.
# The native build finds the distribution's Boost as usual; the MinGW cross build gets the host's
# boost/ headers alone (cmake/host-headers.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/host-headers.cmake)
add_library(stats_boost_headers INTERFACE)

if(CMAKE_CROSSCOMPILING)
  set(STATS_BOOST_INCLUDE_DIR "/usr/include" CACHE PATH "Directory that holds the host's boost/ headers")
  if(NOT EXISTS "${STATS_BOOST_INCLUDE_DIR}/boost/version.hpp")
    message(FATAL_ERROR "Boost headers not found in ${STATS_BOOST_INCLUDE_DIR}; run scripts/install-deps.sh")
  endif()
  file(STRINGS "${STATS_BOOST_INCLUDE_DIR}/boost/version.hpp" boost_version_line
       REGEX "^#define BOOST_VERSION [0-9]+")
  string(REGEX REPLACE "^#define BOOST_VERSION ([0-9]+).*" "\\1" boost_version "${boost_version_line}")
  if(boost_version LESS 108100)
    message(FATAL_ERROR "Boost 1.81 or later is needed, found ${boost_version}")
  endif()
  stats_host_headers(stats_boost_headers boost "${STATS_BOOST_INCLUDE_DIR}")
else()
  find_package(Boost 1.81 REQUIRED)
  target_link_libraries(stats_boost_headers INTERFACE Boost::headers)
endif()
