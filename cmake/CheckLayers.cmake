# The include check: fails when a source file includes a header from a folder
# above its own, so that the folders only look down and the list below reads
# as the architecture.
#
# What a file includes is taken from the compiler (its dependency output with
# the flags of the library the file is built in), not from the text: a macro,
# a comment, a continued line, a digraph or a ".." changes nothing, and an
# include the preprocessor skips (#if 0) is no include. Every file of the
# folders is judged on its own, headers too and whatever its extension (an
# .inl compiles into whoever includes it); each header it reaches, directly or
# not, is resolved to its real path and judged by the folder it lies in.
#
# In the build, include() this file and call moju_add_layer_check(): one
# preprocessor run per file, redone when the file or anything it reaches
# changes. By hand, or on a scratch tree:
#   cmake -DSRC=<source root> -DWORK=<scratch> [-DCXX=<compiler>
#         -DFLAGS=<folder of the <library>.flags files>] -P CheckLayers.cmake
# With CXX it preprocesses every file into WORK itself; without, it judges the
# dependency files already in WORK.

# The folders from the bottom up; a file may include headers of its own folder
# or of one listed before it. The main window (app) sits on top: it builds the
# window and the cycle and wires the rest together.
set(_floors foundation platform widgets params inspect camera network records
  users settings view app)
# Folders that need widgets: a file of the core library (outside these and
# outside any gui/ sub-folder, app/main.cpp aside) may not include them.
set(_gui_folders widgets users settings view)
set(_libraries moju_foundation moju_platform moju_core moju_gui mojuwizard)
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.22)
endif()

# The library whose flags a file is preprocessed with, as CMakeLists.txt
# builds them; a file no library lists (.inl) takes its folder's.
function(_moju_layer_library file out)
  string(REGEX MATCH "^[^/]+" top "${file}")
  if(top STREQUAL "foundation" OR top STREQUAL "platform")
    set(lib moju_${top})
  elseif(file STREQUAL "app/main.cpp")
    set(lib mojuwizard)
  elseif(top IN_LIST _gui_folders OR file MATCHES "/gui/")
    set(lib moju_gui)
  else()
    set(lib moju_core)
  endif()
  set(${out} ${lib} PARENT_SCOPE)
endfunction()

function(_moju_layer_files root out)
  set(globs "")
  foreach(d ${_floors})
    list(APPEND globs ${root}/${d}/*)
  endforeach()
  file(GLOB_RECURSE files ${ARGN} RELATIVE ${root} ${globs})
  set(${out} ${files} PARENT_SCOPE)
endfunction()

set(_dep_args -w -x c++ -M)

# Adds the target `name` that fails the build on an include across the floors.
function(moju_add_layer_check name)
  set(work ${CMAKE_BINARY_DIR}/layers)
  _moju_layer_files(${CMAKE_SOURCE_DIR} files CONFIGURE_DEPENDS)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" cfg)
  separate_arguments(cxx_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${cfg}}")
  if(CMAKE_CXX_EXTENSIONS)
    set(std ${CMAKE_CXX${CMAKE_CXX_STANDARD}_EXTENSION_COMPILE_OPTION})
  else()
    set(std ${CMAKE_CXX${CMAKE_CXX_STANDARD}_STANDARD_COMPILE_OPTION})
  endif()
  # The source root goes first on the command line, so that a scratch tree
  # can stand in for it (tests/layers).
  string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" root_re "${CMAKE_SOURCE_DIR}")
  foreach(lib ${_libraries})
    set(inc "$<REMOVE_DUPLICATES:$<FILTER:$<TARGET_PROPERTY:${lib},INCLUDE_DIRECTORIES>,EXCLUDE,^${root_re}/?$>>")
    set(def "$<REMOVE_DUPLICATES:$<TARGET_PROPERTY:${lib},COMPILE_DEFINITIONS>>")
    set(flags ${std} ${cxx_flags} "$<$<BOOL:${def}>:-D$<JOIN:${def},$<SEMICOLON>-D>>"
      "$<$<BOOL:${inc}>:-I$<JOIN:${inc},$<SEMICOLON>-I>>"
      "$<REMOVE_DUPLICATES:$<TARGET_PROPERTY:${lib},COMPILE_OPTIONS>>")
    set(flags_${lib} "${flags}")
    file(GENERATE OUTPUT ${work}/${lib}.flags CONTENT "$<JOIN:${flags},\n>\n")
  endforeach()
  set(outputs "")
  foreach(f ${files})
    _moju_layer_library(${f} lib)
    set(d ${work}/deps/${f}.d)
    get_filename_component(dir ${d} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    add_custom_command(OUTPUT ${d}
      COMMAND ${CMAKE_CXX_COMPILER} -I${CMAKE_SOURCE_DIR} ${flags_${lib}} ${_dep_args}
        -MT ${d} -MF ${d} ${CMAKE_SOURCE_DIR}/${f}
      DEPENDS ${CMAKE_SOURCE_DIR}/${f} ${work}/${lib}.flags
      DEPFILE ${d} COMMAND_EXPAND_LISTS VERBATIM)
    list(APPEND outputs ${d})
  endforeach()
  add_custom_command(OUTPUT ${work}/passed
    COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR} -DWORK=${work}/deps -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMAND ${CMAKE_COMMAND} -E touch ${work}/passed
    DEPENDS ${outputs} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Checking the include floors" VERBATIM)
  add_custom_target(${name} DEPENDS ${work}/passed)
endfunction()

if(NOT CMAKE_SCRIPT_MODE_FILE)
  return()
endif()

file(REAL_PATH "${SRC}" _root)
_moju_layer_files(${SRC} _files)
set(_errors "")

if(CXX)
  foreach(_f ${_files})
    _moju_layer_library(${_f} _lib)
    file(STRINGS ${FLAGS}/${_lib}.flags _flags)
    get_filename_component(_dir ${WORK}/${_f} DIRECTORY)
    file(MAKE_DIRECTORY ${_dir})
    execute_process(COMMAND ${CXX} -I${SRC} ${_flags} ${_dep_args} -MF ${WORK}/${_f}.d ${SRC}/${_f}
      RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _why)
    if(NOT _rc EQUAL 0)
      file(REMOVE ${WORK}/${_f}.d)
      string(APPEND _errors "  ${_f}: ${_why}")
    endif()
  endforeach()
endif()

# Reads each file's dependency list (first the file itself, then all it
# reaches); the same system headers recur in every list, so each distinct path
# is resolved once, and only those in the source tree are kept.
string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" _root_re "${_root}")
set(_seen "")
set(_n 0)
foreach(_f ${_files})
  math(EXPR _n "${_n} + 1")
  if(NOT EXISTS ${WORK}/${_f}.d)
    if(NOT CXX)
      string(APPEND _errors "  ${_f}: not preprocessed\n")
    endif()
    continue()
  endif()
  file(READ ${WORK}/${_f}.d _text)
  string(FIND "${_text}" ": " _colon)
  math(EXPR _colon "${_colon} + 2")
  string(SUBSTRING "${_text}" ${_colon} -1 _text)
  string(REPLACE "\\\n" " " _text "${_text}")
  # gcc writes a space in a path as "\ ", a "$" as "$$" and a "#" as "\#".
  string(REPLACE "\\ " "\r" _text "${_text}")
  string(REPLACE "$$" "$" _text "${_text}")
  string(REPLACE "\\#" "#" _text "${_text}")
  string(REGEX MATCHALL "[^ \t\n]+" _deps "${_text}")
  list(TRANSFORM _deps REPLACE "\r" " ")
  if(_deps)
    list(REMOVE_AT _deps 0)  # the file itself
  endif()
  list(REMOVE_DUPLICATES _deps)
  set(_deps_${_n} "${_deps}")
  list(APPEND _seen ${_deps})
  list(REMOVE_DUPLICATES _seen)
endforeach()
string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" _src_re "${SRC}")
set(_mine_re "^(${_root_re}|${_src_re})/")
# Paths that reach the tree from elsewhere, through a link.
set(_odd "")
foreach(_p ${_seen})
  file(REAL_PATH "${_p}" _real)
  if(_real MATCHES "^${_root_re}/(.*)")
    set("_rel_${_p}" "${CMAKE_MATCH_1}")
    if(NOT _p MATCHES "${_mine_re}")
      string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" _p_re "${_p}")
      list(APPEND _odd "${_p_re}")
    endif()
  endif()
endforeach()
if(_odd)
  list(JOIN _odd "|" _odd)
  set(_mine_re "${_mine_re}|^(${_odd})$")
endif()

# What each file may not use: a header outside the folders, one above the
# file's folder, or one that needs widgets in a file of the core library.
set(_n 0)
set(_refused "")
foreach(_f ${_files})
  math(EXPR _n "${_n} + 1")
  string(REGEX MATCH "^[^/]+" _top ${_f})
  list(FIND _floors ${_top} _mine)
  set(_core_file FALSE)
  if(NOT _top IN_LIST _gui_folders AND NOT _f MATCHES "/gui/" AND NOT _f STREQUAL "app/main.cpp")
    set(_core_file TRUE)
  endif()
  set(_reach "")
  set(_deps "${_deps_${_n}}")
  list(FILTER _deps INCLUDE REGEX "${_mine_re}")
  foreach(_p ${_deps})
    if(NOT DEFINED "_rel_${_p}")
      continue()  # a ".." or a link out of the tree
    endif()
    set(_inc "${_rel_${_p}}")
    if(_inc STREQUAL _f)
      continue()
    endif()
    list(APPEND _reach ${_inc})
    set(_why "")
    string(REGEX MATCH "^[^/]+" _their_top ${_inc})
    list(FIND _floors ${_their_top} _theirs)
    if(_theirs LESS 0 OR _their_top STREQUAL _inc)
      set(_why "is outside the program's folders")
    elseif(_theirs GREATER _mine)
      set(_why "is in ${_their_top}, above ${_top}")
    elseif(_core_file AND (_their_top IN_LIST _gui_folders OR _inc MATCHES "/gui/"))
      set(_why "needs widgets")
    endif()
    if(_why)
      list(APPEND _refused "${_f}|${_inc}")
      set("_why_${_f}|${_inc}" "${_why}")
    endif()
  endforeach()
  set("_reach_${_f}" "${_reach}")
endforeach()

# A file that reaches a refused header through a file refused the same header
# is not named: the include happens there, and one bad include low down would
# otherwise name every file above it.
set(_named "")
foreach(_pair ${_refused})
  string(REPLACE "|" ";" _fi "${_pair}")
  list(GET _fi 0 _f)
  list(GET _fi 1 _inc)
  set(_through FALSE)
  foreach(_g ${_reach_${_f}})
    if(NOT _g STREQUAL _inc AND "${_g}|${_inc}" IN_LIST _refused)
      set(_through TRUE)
      break()
    endif()
  endforeach()
  if(NOT _through)
    list(APPEND _named "${_pair}")
  endif()
endforeach()
if(_refused AND NOT _named)
  set(_named "${_refused}")  # files that include each other: name them all
endif()
foreach(_pair ${_named})
  string(REPLACE "|" ": " _shown "${_pair}")
  string(APPEND _errors "  ${_shown} ${_why_${_pair}}\n")
endforeach()

if(_errors)
  message(FATAL_ERROR "Includes that break the floors:\n${_errors}")
endif()
