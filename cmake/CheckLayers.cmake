# Run with `cmake -DSRC=<source root> -P CheckLayers.cmake`: fails when a
# source file includes a header from a folder above its own, so that the
# folders only look down and the list below reads as the architecture.
#
# Every project header is included from the source root ("params/WizardPara.h")
# or from the including file's own folder ("WizardPara.h"). The source root is
# an include folder, so an include in angle brackets that names a file under
# it (<app/gui/RaRoWizard.h>) is a project include as well; one that does not
# (<QDir>, <vector>) is a library's. Every file of the folders is read,
# whatever its extension: an .inl or .ipp compiles into whoever includes it.

# The folders from the bottom up; a file may include headers of its own folder
# or of one listed before it. The main window (app) sits on top: it builds the
# window and the cycle and wires the rest together.
set(_floors foundation platform widgets params inspect camera network records
  users settings view app)
# Folders that need widgets: a file of the core library (outside these and
# outside any gui/ sub-folder, app/main.cpp aside) may not include them.
set(_gui_folders widgets users settings view)

cmake_policy(VERSION 3.22)

set(_globs "")
foreach(_d ${_floors})
  list(APPEND _globs ${SRC}/${_d}/*)
endforeach()
set(_errors "")
file(GLOB_RECURSE _files RELATIVE ${SRC} ${_globs})
foreach(_f ${_files})
  string(REGEX MATCH "^[^/]+" _top ${_f})
  list(FIND _floors ${_top} _mine)
  set(_core_file FALSE)
  if(NOT _top IN_LIST _gui_folders AND NOT _f MATCHES "/gui/" AND NOT _f STREQUAL "app/main.cpp")
    set(_core_file TRUE)
  endif()
  get_filename_component(_dir ${_f} DIRECTORY)
  file(STRINGS ${SRC}/${_f} _incs REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(_line ${_incs})
    if(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(_inc "${CMAKE_MATCH_1}")
      set(_shown "\"${_inc}\"")
      if(EXISTS ${SRC}/${_dir}/${_inc} AND NOT _inc MATCHES "/")
        continue()  # same folder
      endif()
      if(NOT EXISTS ${SRC}/${_inc})
        string(APPEND _errors "  ${_f}: ${_shown} is not a path from the source root\n")
        continue()
      endif()
    elseif(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      set(_inc "${CMAKE_MATCH_1}")
      set(_shown "<${_inc}>")
      if(NOT EXISTS ${SRC}/${_inc} OR IS_DIRECTORY ${SRC}/${_inc})
        continue()  # a library's header
      endif()
    else()
      continue()
    endif()
    string(REGEX MATCH "^[^/]+" _their_top ${_inc})
    list(FIND _floors ${_their_top} _theirs)
    if(_theirs LESS 0)
      string(APPEND _errors "  ${_f}: ${_shown} is outside the program's folders\n")
    elseif(_theirs GREATER _mine)
      string(APPEND _errors "  ${_f}: ${_shown} is in ${_their_top}, above ${_top}\n")
    elseif(_core_file AND (_their_top IN_LIST _gui_folders OR _inc MATCHES "/gui/"))
      string(APPEND _errors "  ${_f}: ${_shown} needs widgets\n")
    endif()
  endforeach()
endforeach()

if(_errors)
  message(FATAL_ERROR "Includes that break the floors:\n${_errors}")
endif()
