# Runs cmake/CheckLayers.cmake on the build's view of the source tree and on
# small trees it plants under WORK, each with one file; checks the verdict and
# the reason given.
cmake_policy(VERSION 3.22)
set(_check ${SRC}/cmake/CheckLayers.cmake)
set(_failures "")

# case name | including file | its text | header planted ("" none) | expected reason ("" passes)
set(_cases
  "neighbour above|params/A.cpp|#include \"network/B.h\"|network/B.h|is in network, above params"
  "top from bottom|foundation/A.h|#include \"app/B.h\"|app/B.h|is in app, above foundation"
  "from a gui sub-folder|network/gui/A.cpp|#include \"records/B.h\"|records/B.h|is in records, above network"
  "core file needs widgets|app/A.cpp|#include \"widgets/B.h\"|widgets/B.h|needs widgets"
  "core file, gui sub-folder|records/A.cpp|#include \"network/gui/B.h\"|network/gui/B.h|needs widgets"
  "angle brackets above|params/A.cpp|#include <app/gui/B.h>|app/gui/B.h|is in app, above params"
  "angle brackets, core file needs widgets|records/A.cpp|#include <widgets/B.h>|widgets/B.h|needs widgets"
  "from an .inl file|params/A.inl|#include \"network/B.h\"|network/B.h|is in network, above params"
  "angle brackets from an .ipp file|camera/A.ipp|#include <app/B.h>|app/B.h|is in app, above camera"
  "a macro names it|params/A.cpp|#define H \"app/B.h\"\n#include H|app/B.h|is in app, above params"
  "a macro names it in angle brackets|params/A.cpp|#define H <app/B.h>\n#include H|app/B.h|is in app, above params"
  "comment before the name|params/A.cpp|#include /* */ \"app/B.h\"|app/B.h|is in app, above params"
  "comment before the keyword|params/A.cpp|#/* */include \"app/B.h\"|app/B.h|is in app, above params"
  "comment before the directive|params/A.cpp|/* */ #include \"app/B.h\"|app/B.h|is in app, above params"
  "continued keyword|params/A.cpp|#inc\\\nlude \"app/B.h\"|app/B.h|is in app, above params"
  "continued name|params/A.cpp|#include \"app/\\\nB.h\"|app/B.h|is in app, above params"
  "digraph|params/A.cpp|%:include \"app/B.h\"|app/B.h|is in app, above params"
  "__has_include with a macro|params/A.cpp|#define H <app/B.h>\n#if __has_include(H)\n#include H\n#endif|app/B.h|is in app, above params"
  "include_next|params/A.cpp|#include_next \"app/B.h\"|app/B.h|is in app, above params"
  "import|params/A.cpp|#import \"app/B.h\"|app/B.h|is in app, above params"
  "through ..|params/A.cpp|#include \"params/../app/B.h\"|app/B.h|is in app, above params"
  "below|records/A.cpp|#include \"params/B.h\"|params/B.h|"
  "below in angle brackets|records/A.cpp|#include <params/B.h>|params/B.h|"
  "library headers|params/A.cpp|#include <QDir>||"
  "standard header|app/A.inl|#include <vector>||"
  "gui file below|view/A.cpp|#include \"widgets/B.h\"|widgets/B.h|"
  "same folder|view/A.cpp|#include \"view/B.h\"|view/B.h|"
  "own folder, no path|view/A.cpp|#include \"B.h\"|view/B.h|"
  "gui sub-folder needs widgets|app/gui/A.cpp|#include \"settings/B.h\"|settings/B.h|"
  "skipped by the preprocessor|params/A.cpp|#if 0\n#include \"app/B.h\"\n#endif|app/B.h|")

function(run_check root work out_ok out_text)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${root} -DWORK=${work} ${ARGN} -P ${_check}
    RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
  if(rc EQUAL 0)
    set(${out_ok} TRUE PARENT_SCOPE)
  else()
    set(${out_ok} FALSE PARENT_SCOPE)
  endif()
  set(${out_text} "${text}" PARENT_SCOPE)
endfunction()

# The build has preprocessed the source tree already.
run_check(${SRC} ${DEPS} _ok _text)
if(NOT _ok)
  string(APPEND _failures "the source tree fails:\n${_text}\n")
endif()

set(_n 0)
foreach(_case ${_cases})
  string(REPLACE "|" ";" _fields "${_case}")
  list(GET _fields 0 _name)
  list(GET _fields 1 _from)
  list(GET _fields 2 _text)
  list(GET _fields 3 _header)
  list(GET _fields 4 _reason)
  math(EXPR _n "${_n} + 1")
  set(_root ${WORK}/${_n})
  file(REMOVE_RECURSE ${_root} ${_root}-deps)
  if(NOT _header STREQUAL "")
    file(WRITE ${_root}/${_header} "#pragma once\n")
  endif()
  file(WRITE ${_root}/${_from} "${_text}\n")
  run_check(${_root} ${_root}-deps _ok _out -DCXX=${CXX} -DFLAGS=${FLAGS})
  if(_reason STREQUAL "")
    if(NOT _ok)
      string(APPEND _failures "${_name}: refused:\n${_out}\n")
    endif()
  elseif(_ok)
    string(APPEND _failures "${_name}: ${_from} including ${_header} passed\n")
  elseif(NOT _out MATCHES "${_from}: ${_header} ${_reason}")
    string(APPEND _failures "${_name}: wrong reason:\n${_out}\n")
  endif()
endforeach()

if(_failures)
  message(FATAL_ERROR "${_failures}")
endif()
