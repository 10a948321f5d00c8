# Tests of the extraction core, each a unit of behaviour.
function(fh_core_test name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(${name} PRIVATE fh_extract Qt6::Core GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

fh_core_test(photo_collection_test ${CMAKE_CURRENT_LIST_DIR}/photo_collection_test.cpp)
target_compile_definitions(photo_collection_test PRIVATE SOURCE_DIR="${CMAKE_SOURCE_DIR}")
fh_core_test(date_format_test ${CMAKE_CURRENT_LIST_DIR}/date_format_test.cpp)
fh_core_test(record_test ${CMAKE_CURRENT_LIST_DIR}/record_test.cpp)
fh_core_test(workbook_test ${CMAKE_CURRENT_LIST_DIR}/workbook_test.cpp)
fh_core_test(value_format_test ${CMAKE_CURRENT_LIST_DIR}/value_format_test.cpp)
fh_core_test(run_test ${CMAKE_CURRENT_LIST_DIR}/run_test.cpp)
fh_core_test(install_layout_test ${CMAKE_CURRENT_LIST_DIR}/install_layout_test.cpp)
target_compile_definitions(install_layout_test PRIVATE
  PROGRAMS_DIR="${CMAKE_INSTALL_BINDIR}" HELPER_DIR="${FOTOHARVESTER_HELPER_DIR}")

add_executable(fake_reader ${CMAKE_CURRENT_LIST_DIR}/support/fake_reader.cpp)
target_link_libraries(fake_reader PRIVATE fh_extract)
fh_core_test(reader_pool_test ${CMAKE_CURRENT_LIST_DIR}/reader_pool_test.cpp)
target_compile_definitions(reader_pool_test PRIVATE FAKE_READER_PATH="$<TARGET_FILE:fake_reader>")
add_dependencies(reader_pool_test fake_reader)

add_executable(command_line_test ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp)
target_include_directories(command_line_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(command_line_test PRIVATE fh_cli GTest::gtest_main)
gtest_discover_tests(command_line_test DISCOVERY_TIMEOUT 60)

fh_core_test(batch_command_test ${CMAKE_CURRENT_LIST_DIR}/batch_command_test.cpp)
target_link_libraries(batch_command_test PRIVATE fh_cli)
target_compile_definitions(batch_command_test PRIVATE
  FAKE_READER_PATH="$<TARGET_FILE:fake_reader>" BATCH_COMMAND_PATH="$<TARGET_FILE:fotoharvester-cli>")
add_dependencies(batch_command_test fake_reader fotoharvester-cli)

add_executable(settings_store_test ${CMAKE_CURRENT_LIST_DIR}/settings_store_test.cpp)
target_link_libraries(settings_store_test PRIVATE fh_settings GTest::gtest_main)
# The help pages are looked for where the build copies them.
add_dependencies(settings_store_test fotoharvester-help)
gtest_discover_tests(settings_store_test DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/settings_store_test_config"
             ENVIRONMENT_MODIFICATION "XDG_CONFIG_DIRS=set:${CMAKE_CURRENT_BINARY_DIR}/settings_store_test_system"
             RUN_SERIAL TRUE)

add_executable(real_photos_test ${CMAKE_CURRENT_LIST_DIR}/real_photos_test.cpp)
target_include_directories(real_photos_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(real_photos_test PRIVATE fh_metadata Qt6::Core GTest::gtest_main)
gtest_discover_tests(real_photos_test DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED test_photos TIMEOUT 300)
target_compile_definitions(real_photos_test PRIVATE
  FH_TEST_PHOTOS="${FH_TEST_PHOTOS}" BATCH_COMMAND_PATH="$<TARGET_FILE:fotoharvester-cli>"
  SHARED_PHOTOS="${FOTOHARVESTER_CAMERA_PHOTOS}")
add_dependencies(real_photos_test fotoharvester-cli fotoharvester-reader)

# The workbook as other programs read it: openpyxl cell by cell, and LibreOffice as a user opens
# it (skipped where LibreOffice is not installed). Debian's own python3, which has openpyxl.
foreach(reader openpyxl libreoffice)
  set(option "")
  if(reader STREQUAL "libreoffice")
    set(option --libreoffice)
  endif()
  add_test(NAME workbook_${reader}
           COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/support/workbook_check.py
                   --cli $<TARGET_FILE:fotoharvester-cli> ${option})
  set_tests_properties(workbook_${reader} PROPERTIES LABELS acceptance SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
