# Tests of the tag reading inside the reader process, on photos that tests/photos/make-photos.sh
# writes into the build tree before the tests run (it needs exiftool, ImageMagick and perl).
# FH_TEST_PHOTOS and the fixture test_photos are there for any test that needs the photos.
set(FH_TEST_PHOTOS ${CMAKE_CURRENT_BINARY_DIR}/photos)
add_test(NAME make_test_photos
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/photos/make-photos.sh ${FH_TEST_PHOTOS})
set_tests_properties(make_test_photos PROPERTIES FIXTURES_SETUP test_photos TIMEOUT 120)

add_executable(freeimage_reader_test ${CMAKE_CURRENT_LIST_DIR}/freeimage_reader_test.cpp)
target_link_libraries(freeimage_reader_test PRIVATE fh_readers fh_extract GTest::gtest_main)
target_include_directories(freeimage_reader_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(freeimage_reader_test PRIVATE FH_TEST_PHOTOS="${FH_TEST_PHOTOS}"
  SHARED_PHOTOS="${FOTOHARVESTER_CAMERA_PHOTOS}")
gtest_discover_tests(freeimage_reader_test DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED test_photos TIMEOUT 120)

add_executable(video_reader_test ${CMAKE_CURRENT_LIST_DIR}/video_reader_test.cpp)
target_link_libraries(video_reader_test PRIVATE fh_readers GTest::gtest_main)
gtest_discover_tests(video_reader_test DISCOVERY_TIMEOUT 60)

add_executable(jpeg_header_test ${CMAKE_CURRENT_LIST_DIR}/jpeg_header_test.cpp)
target_link_libraries(jpeg_header_test PRIVATE fh_readers GTest::gtest_main)
target_compile_definitions(jpeg_header_test PRIVATE FH_TEST_PHOTOS="${FH_TEST_PHOTOS}")
gtest_discover_tests(jpeg_header_test DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED test_photos TIMEOUT 120)

# The batch command and its readers against hostile folders, destinations and settings.
add_executable(hostile_input_test ${CMAKE_CURRENT_LIST_DIR}/hostile_input_test.cpp)
target_include_directories(hostile_input_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(hostile_input_test PRIVATE fh_extract Qt6::Core GTest::gtest_main)
target_compile_definitions(hostile_input_test PRIVATE FH_TEST_PHOTOS="${FH_TEST_PHOTOS}"
  BATCH_COMMAND_PATH="$<TARGET_FILE:fotoharvester-cli>" READER_PATH="$<TARGET_FILE:fotoharvester-reader>")
add_dependencies(hostile_input_test fotoharvester-cli fotoharvester-reader)
gtest_discover_tests(hostile_input_test DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED test_photos TIMEOUT 300)
