# Sources are picked up by folder so that each area adds files without touching
# the top-level list. Files under a `gui/` sub-folder of a core folder need
# widgets and go to the gui library instead.
function(moju_collect_sources out)
  cmake_parse_arguments(A "EXCLUDE_GUI" "" "" ${ARGN})
  set(result)
  foreach(dir ${A_UNPARSED_ARGUMENTS})
    file(GLOB_RECURSE files CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    if(A_EXCLUDE_GUI)
      list(FILTER files EXCLUDE REGEX "/${dir}/(.*/)?gui/")
    endif()
    list(APPEND result ${files})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(moju_collect_gui_subdirs out)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE files CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(FILTER files INCLUDE REGEX "/${dir}/(.*/)?gui/")
    list(APPEND result ${files})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
