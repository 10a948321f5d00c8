# Runs `PROGRAM --version` (or OPTION) with no display and no Qt platform chosen, as over ssh or in a
# package check, and expects exactly "NAME VERSION" and exit status 0.
# Usage: cmake -DPROGRAM=... -DNAME=... -DVERSION=... [-DOPTION=-V] -P check-version.cmake
if(NOT OPTION)
  set(OPTION --version)
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
          ${PROGRAM} ${OPTION}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${OPTION} exited with ${status}: ${errors}")
endif()
if(NOT output STREQUAL "${NAME} ${VERSION}\n")
  message(FATAL_ERROR "${PROGRAM} ${OPTION} printed \"${output}\", expected \"${NAME} ${VERSION}\"")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} ${OPTION} wrote to standard error: ${errors}")
endif()
