# Run with `cmake -DSRC=<source root> -P CheckLayers.cmake`: fails when a
# source file includes a header from a floor above its own, so the floors
# (foundation <- platform <- core <- gui <- main window) only look down.
#
# Every project header is included from the source root ("params/WizardPara.h")
# or from the including file's own folder ("WizardPara.h").

# Floor of each folder; a file may include headers of its own floor or below.
set(_floor_foundation 0)
set(_floor_platform 1)
foreach(_d params network records inspect camera widgets)
  set(_floor_${_d} 2)
endforeach()
foreach(_d app view settings users)
  set(_floor_${_d} 3)
endforeach()
# Folders that need widgets: a file of the core library (outside any gui/
# sub-folder) may not include them.
set(_gui_folders widgets view settings users)

cmake_policy(VERSION 3.22)

set(_errors "")
file(GLOB_RECURSE _files RELATIVE ${SRC}
  ${SRC}/foundation/* ${SRC}/platform/* ${SRC}/params/* ${SRC}/network/* ${SRC}/records/*
  ${SRC}/inspect/* ${SRC}/camera/* ${SRC}/widgets/* ${SRC}/app/* ${SRC}/view/*
  ${SRC}/settings/* ${SRC}/users/*)
list(FILTER _files INCLUDE REGEX "\\.(h|c|cpp)$")
foreach(_f ${_files})
  string(REGEX MATCH "^[^/]+" _top ${_f})
  set(_mine ${_floor_${_top}})
  set(_core_file FALSE)
  if(_mine LESS 3 AND NOT _top STREQUAL "widgets" AND NOT _f MATCHES "/gui/")
    set(_core_file TRUE)
  endif()
  if(_top STREQUAL "app" AND NOT _f MATCHES "/gui/" AND NOT _f STREQUAL "app/main.cpp")
    set(_core_file TRUE)
  endif()
  get_filename_component(_dir ${_f} DIRECTORY)
  file(STRINGS ${SRC}/${_f} _incs REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(_line ${_incs})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" _inc "${_line}")
    if(EXISTS ${SRC}/${_dir}/${_inc} AND NOT _inc MATCHES "/")
      continue()  # same folder
    endif()
    if(NOT EXISTS ${SRC}/${_inc})
      string(APPEND _errors "  ${_f}: \"${_inc}\" is not a path from the source root\n")
      continue()
    endif()
    string(REGEX MATCH "^[^/]+" _their_top ${_inc})
    set(_theirs ${_floor_${_their_top}})
    if("${_theirs}" STREQUAL "")
      string(APPEND _errors "  ${_f}: \"${_inc}\" is outside the program's folders\n")
    elseif(_theirs GREATER _mine)
      string(APPEND _errors "  ${_f}: \"${_inc}\" is on a higher floor\n")
    elseif(_core_file AND (_their_top IN_LIST _gui_folders OR _inc MATCHES "/gui/"))
      string(APPEND _errors "  ${_f}: \"${_inc}\" needs widgets\n")
    endif()
  endforeach()
endforeach()

if(_errors)
  message(FATAL_ERROR "Includes that break the floors:\n${_errors}")
endif()
