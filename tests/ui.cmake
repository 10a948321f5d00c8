# The window's tests: a QtTest program driven offscreen. It gets its own settings folder under
# the build tree (the test makes a fresh folder inside it at every start), so that the user's
# settings are never read or written.
add_executable(ui_main_test ${CMAKE_CURRENT_LIST_DIR}/ui_main_test.cpp)
set_target_properties(ui_main_test PROPERTIES AUTOMOC ON)
target_include_directories(ui_main_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ui_main_test PRIVATE fh_ui Qt6::Test)
# F1 looks for the help copied beside the program.
add_dependencies(ui_main_test fotoharvester-help)
add_test(NAME ui_main COMMAND ui_main_test)
set_tests_properties(ui_main PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/ui_config/ui_main"
  TIMEOUT 300
  LABELS "acceptance;ui")

# Every text of the window has its German: the translation files are complete for the sources as
# they are now.
add_test(NAME ui_translations_complete
  COMMAND ${CMAKE_COMMAND} -DLUPDATE=$<TARGET_FILE:Qt6::lupdate>
          "-DTS_FILES=${FOTOHARVESTER_TRANSLATION_FILES}" "-DSOURCES=${FOTOHARVESTER_TRANSLATED_SOURCES}"
          "-DOPTIONS=${FOTOHARVESTER_LUPDATE_OPTIONS}" -DINCLUDE=${CMAKE_SOURCE_DIR}
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/translations_check -P ${CMAKE_CURRENT_LIST_DIR}/check-translations.cmake)
set_tests_properties(ui_translations_complete PROPERTIES LABELS "unit;ui")
