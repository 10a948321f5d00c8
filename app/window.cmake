# The window program. Included from app/CMakeLists.txt; the window itself is ui/ (fh_ui).
add_executable(fotoharvester ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(fotoharvester PRIVATE fh_ui)
target_compile_definitions(fotoharvester PRIVATE FOTOHARVESTER_APP_ID="${FOTOHARVESTER_APP_ID}")
if(WIN32)
  set_target_properties(fotoharvester PROPERTIES WIN32_EXECUTABLE ON)
endif()
# The photos are read by the reader process and F1 opens the help pages; both must be beside it.
add_dependencies(fotoharvester fotoharvester-reader fotoharvester-help)
install(TARGETS fotoharvester RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
