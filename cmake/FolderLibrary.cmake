# Every folder of the program is one library, and a library shows its users only its own headers
# (and, through its own dependencies, theirs): a header of a folder the library does not depend on
# cannot be included by mistake, as it is not on the include path at all.
#
# Headers are included by folder ("metadata/TagTable.h"). Each library gets an include root of its
# own in the build tree holding a single link, named after the folder, to the folder's sources.
# Where links cannot be made (Windows without the right to make them), the library falls back to
# the source root, and scripts/check-layers.sh is the only guard.
function(fh_folder_library target)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} RESULT failed SYMBOLIC)
    if(failed)
      message(STATUS "${target}: no link for its include root (${failed}); it shows the whole source tree")
      set(root ${CMAKE_SOURCE_DIR})
    endif()
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
