# The release package zelk-stats-<version>.zip in the build folder, built with everything else:
# one top folder holding the stripped plug-in, the log checker, the district list, sample Cabrillo
# header values and the operator's guide (plain text with CR LF line ends for Notepad, and HTML
# with its pictures). The version is the project's; `make dist` copies the zip to dist/.
set(STATS_DIST_NAME zelk-stats-${PROJECT_VERSION})
set(STATS_DIST_ZIP ${CMAKE_BINARY_DIR}/${STATS_DIST_NAME}.zip)

set(dist_guide ${CMAKE_BINARY_DIR}/dist-guide)
configure_file(${CMAKE_SOURCE_DIR}/docs/guide/README.txt.in ${dist_guide}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/docs/guide/guide.html.in ${dist_guide}/guide.html @ONLY)

set(dist_programs $<TARGET_FILE:Stats> $<TARGET_FILE:zelk-check>)

set(dist_files
  ${CMAKE_SOURCE_DIR}/samples/zelk.txt
  ${CMAKE_SOURCE_DIR}/samples/cabrillo_header.txt
  ${dist_guide}/README.txt
  ${dist_guide}/guide.html)
set(dist_images
  ${CMAKE_SOURCE_DIR}/docs/operator-windows.png
  ${CMAKE_SOURCE_DIR}/docs/cabrillo_dialog.png)

# Staged afresh each time, so a file dropped from the lists leaves the package too.
set(dist_stage ${CMAKE_BINARY_DIR}/dist-stage)
set(dist_top ${dist_stage}/${STATS_DIST_NAME})
add_custom_command(
  OUTPUT ${STATS_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${dist_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${dist_top}/images
  COMMAND ${CMAKE_COMMAND} -E copy ${dist_programs} ${dist_files} ${dist_top}
  COMMAND ${CMAKE_COMMAND} -E copy ${dist_images} ${dist_top}/images
  COMMAND ${CMAKE_COMMAND} -E rm -f ${STATS_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E chdir ${dist_stage}
          ${CMAKE_COMMAND} -E tar cf ${STATS_DIST_ZIP} --format=zip ${STATS_DIST_NAME}
  DEPENDS Stats zelk-check ${dist_programs} ${dist_files} ${dist_images}
  COMMENT "Packing ${STATS_DIST_NAME}.zip"
  VERBATIM)
add_custom_target(stats_dist ALL DEPENDS ${STATS_DIST_ZIP})
