# Runs `PROGRAM --version` with no display and no Qt platform chosen, as over ssh or in a package
# check, and expects exactly "NAME VERSION" and exit status 0.
# Usage: cmake -DPROGRAM=... -DNAME=... -DVERSION=... -P check-version.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
          ${PROGRAM} --version
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --version exited with ${status}: ${errors}")
endif()
if(NOT output STREQUAL "${NAME} ${VERSION}\n")
  message(FATAL_ERROR "${PROGRAM} --version printed \"${output}\", expected \"${NAME} ${VERSION}\"")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --version wrote to standard error: ${errors}")
endif()
