# Runs cmake/CheckLayers.cmake on the source tree and on small trees it plants
# under WORK, each with one include; checks the verdict and the reason given.
cmake_policy(VERSION 3.22)
set(_check ${SRC}/cmake/CheckLayers.cmake)
set(_failures "")

# case name | including file | included header | expected reason ("" passes)
set(_cases
  "neighbour above|params/A.cpp|network/B.h|is in network, above params"
  "top from bottom|foundation/A.h|app/B.h|is in app, above foundation"
  "from a gui sub-folder|network/gui/A.cpp|records/B.h|is in records, above network"
  "core file needs widgets|app/A.cpp|widgets/B.h|needs widgets"
  "core file, gui sub-folder|records/A.cpp|network/gui/B.h|needs widgets"
  "below|records/A.cpp|params/B.h|"
  "gui file below|view/A.cpp|widgets/B.h|"
  "same folder|view/A.cpp|view/B.h|"
  "gui sub-folder needs widgets|app/gui/A.cpp|settings/B.h|")

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
  list(GET _fields 2 _to)
  list(LENGTH _fields _count)
  set(_reason "")
  if(_count GREATER 3)
    list(GET _fields 3 _reason)
  endif()
  math(EXPR _n "${_n} + 1")
  set(_root ${WORK}/${_n})
  file(REMOVE_RECURSE ${_root})
  file(WRITE ${_root}/${_to} "#pragma once\n")
  file(WRITE ${_root}/${_from} "#include \"${_to}\"\n")
  run_check(${_root} _ok _text)
  if(_reason STREQUAL "")
    if(NOT _ok)
      string(APPEND _failures "${_name}: refused:\n${_text}\n")
    endif()
  elseif(_ok)
    string(APPEND _failures "${_name}: ${_from} including ${_to} passed\n")
  elseif(NOT _text MATCHES "${_from}: \"${_to}\" ${_reason}")
    string(APPEND _failures "${_name}: wrong reason:\n${_text}\n")
  endif()
endforeach()

if(_failures)
  message(FATAL_ERROR "${_failures}")
endif()
