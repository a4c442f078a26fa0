# Runs cmake/CheckLayers.cmake on the source tree and on small trees it plants
# under WORK, each with one include; checks the verdict and the reason given.
cmake_policy(VERSION 3.22)
set(_check ${SRC}/cmake/CheckLayers.cmake)
set(_failures "")

# case name | including file | include as written | header planted ("" none) | expected reason ("" passes)
set(_cases
  "neighbour above|params/A.cpp|\"network/B.h\"|network/B.h|is in network, above params"
  "top from bottom|foundation/A.h|\"app/B.h\"|app/B.h|is in app, above foundation"
  "from a gui sub-folder|network/gui/A.cpp|\"records/B.h\"|records/B.h|is in records, above network"
  "core file needs widgets|app/A.cpp|\"widgets/B.h\"|widgets/B.h|needs widgets"
  "core file, gui sub-folder|records/A.cpp|\"network/gui/B.h\"|network/gui/B.h|needs widgets"
  "angle brackets above|params/A.cpp|<app/gui/B.h>|app/gui/B.h|is in app, above params"
  "angle brackets, core file needs widgets|records/A.cpp|<widgets/B.h>|widgets/B.h|needs widgets"
  "from an .inl file|params/A.inl|\"network/B.h\"|network/B.h|is in network, above params"
  "angle brackets from an .ipp file|camera/A.ipp|<app/B.h>|app/B.h|is in app, above camera"
  "below|records/A.cpp|\"params/B.h\"|params/B.h|"
  "below in angle brackets|records/A.cpp|<params/B.h>|params/B.h|"
  "library headers|params/A.cpp|<QDir>||"
  "standard header|app/A.inl|<vector>||"
  "gui file below|view/A.cpp|\"widgets/B.h\"|widgets/B.h|"
  "same folder|view/A.cpp|\"view/B.h\"|view/B.h|"
  "own folder, no path|view/A.cpp|\"B.h\"|view/B.h|"
  "gui sub-folder needs widgets|app/gui/A.cpp|\"settings/B.h\"|settings/B.h|")

function(run_check root out_ok out_text)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${root} -P ${_check}
    RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
  if(rc EQUAL 0)
    set(${out_ok} TRUE PARENT_SCOPE)
  else()
    set(${out_ok} FALSE PARENT_SCOPE)
  endif()
  set(${out_text} "${text}" PARENT_SCOPE)
endfunction()

run_check(${SRC} _ok _text)
if(NOT _ok)
  string(APPEND _failures "the source tree fails:\n${_text}\n")
endif()

set(_n 0)
foreach(_case ${_cases})
  string(REPLACE "|" ";" _fields "${_case}")
  list(GET _fields 0 _name)
  list(GET _fields 1 _from)
  list(GET _fields 2 _written)
  list(GET _fields 3 _header)
  list(GET _fields 4 _reason)
  math(EXPR _n "${_n} + 1")
  set(_root ${WORK}/${_n})
  file(REMOVE_RECURSE ${_root})
  if(NOT _header STREQUAL "")
    file(WRITE ${_root}/${_header} "#pragma once\n")
  endif()
  file(WRITE ${_root}/${_from} "#include ${_written}\n")
  run_check(${_root} _ok _text)
  if(_reason STREQUAL "")
    if(NOT _ok)
      string(APPEND _failures "${_name}: refused:\n${_text}\n")
    endif()
  elseif(_ok)
    string(APPEND _failures "${_name}: ${_from} including ${_written} passed\n")
  elseif(NOT _text MATCHES "${_from}: ${_written} ${_reason}")
    string(APPEND _failures "${_name}: wrong reason:\n${_text}\n")
  endif()
endforeach()

if(_failures)
  message(FATAL_ERROR "${_failures}")
endif()
