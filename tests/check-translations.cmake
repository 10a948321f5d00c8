# Gathers the window's texts afresh from the sources into a copy of each translation file, as
# `cmake --build build --target update_translations` would into the file itself, and fails on any
# text left untranslated: a text added or changed in the sources since the file was last brought
# up to date, or one nobody translated.
# Usage: cmake -DLUPDATE=... -DTS_FILES=a.ts;b.ts -DSOURCES=... -DOPTIONS=... -DINCLUDE=dir -DWORK=dir
#        -P check-translations.cmake
file(MAKE_DIRECTORY ${WORK})
foreach(ts ${TS_FILES})
  get_filename_component(name ${ts} NAME)
  set(copy ${WORK}/${name})
  file(COPY_FILE ${ts} ${copy})
  execute_process(COMMAND ${LUPDATE} -I ${INCLUDE} ${OPTIONS} ${SOURCES} -ts ${copy}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name} (${status}): ${errors}")
  endif()
  file(READ ${copy} text)
  # Each message is one <message> element; take those whose translation is unfinished.
  string(REGEX MATCHALL "<source>[^<]*</source>[^<]*<translation type=\"unfinished\"" unfinished "${text}")
  list(LENGTH unfinished count)
  if(count GREATER 0)
    string(REGEX REPLACE "</source>[^<]*<translation type=\"unfinished\"" "" unfinished "${unfinished}")
    string(REPLACE "<source>" "\n  " unfinished "${unfinished}")
    message(FATAL_ERROR "${name}: ${count} texts without a translation; run "
                        "`cmake --build build --target update_translations`, translate them and commit:"
                        "${unfinished}")
  endif()
endforeach()
