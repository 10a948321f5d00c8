# The window's tests: a QtTest program driven offscreen. It gets its own settings folder under
# the build tree (the test makes a fresh folder inside it at every start), so that the user's
# settings are never read or written.
set(UI_TEST_HOME ${CMAKE_CURRENT_BINARY_DIR}/ui_config)

foreach(ui_test ui_main)
  add_executable(${ui_test}_test ${CMAKE_CURRENT_LIST_DIR}/${ui_test}_test.cpp)
  set_target_properties(${ui_test}_test PROPERTIES AUTOMOC ON)
  target_include_directories(${ui_test}_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(${ui_test}_test PRIVATE fh_ui Qt6::Test)
  # F1 looks for the help copied beside the program.
  add_dependencies(${ui_test}_test fotoharvester-help)
  add_test(NAME ${ui_test} COMMAND ${ui_test}_test)
  set_tests_properties(${ui_test} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${UI_TEST_HOME}/${ui_test}"
    TIMEOUT 300
    LABELS "acceptance;ui")
endforeach()
