# The working-directory template: everything the program expects beside it
# (default databases, skin pictures, data files). scripts/demo and the test
# fixtures copy it; nothing here is written at run time.
set(MOJU_WORKDIR ${CMAKE_BINARY_DIR}/workdir)
set(_outputs)

# Default databases: each resources/db/<path>/<name>.db.d/ folder of SQL files
# becomes <path>/<name>.db, the files applied in name order.
file(GLOB_RECURSE _sql CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/db/*.sql)
set(_dbdirs)
foreach(f ${_sql})
  get_filename_component(d ${f} DIRECTORY)
  if(d MATCHES "\\.db\\.d$")
    list(APPEND _dbdirs ${d})
  endif()
endforeach()
list(REMOVE_DUPLICATES _dbdirs)
foreach(d ${_dbdirs})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/resources/db ${d})
  string(REGEX REPLACE "\\.d$" "" rel ${rel})
  file(GLOB deps CONFIGURE_DEPENDS ${d}/*.sql)
  add_custom_command(OUTPUT ${MOJU_WORKDIR}/${rel}
    COMMAND ${CMAKE_COMMAND} -DSQLITE3=${SQLITE3_EXECUTABLE} -DSRC=${d}
            -DOUT=${MOJU_WORKDIR}/${rel} -P ${CMAKE_SOURCE_DIR}/cmake/MakeDb.cmake
    DEPENDS ${deps} ${CMAKE_SOURCE_DIR}/cmake/MakeDb.cmake
    COMMENT "Default database ${rel}")
  list(APPEND _outputs ${MOJU_WORKDIR}/${rel})
endforeach()

# The working databases of a fresh installation: copies of the defaults.
foreach(pair "paraGroup/default/PARAM.db:PARAM.db" "paraGroup/default/SN.db:SN.db" "RECORDNULL.db:RECORD.db")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${MOJU_WORKDIR}/${to}
    COMMAND ${CMAKE_COMMAND} -E copy ${MOJU_WORKDIR}/${from} ${MOJU_WORKDIR}/${to}
    DEPENDS ${MOJU_WORKDIR}/${from}
    COMMENT "Working database ${to}")
  list(APPEND _outputs ${MOJU_WORKDIR}/${to})
endforeach()

# Plain files copied as they are.
file(GLOB_RECURSE _plain CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/workdir/*)
foreach(f ${_plain})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/resources/workdir ${f})
  add_custom_command(OUTPUT ${MOJU_WORKDIR}/${rel}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${MOJU_WORKDIR}/${rel}
    DEPENDS ${f})
  list(APPEND _outputs ${MOJU_WORKDIR}/${rel})
endforeach()

# Skin pictures are drawn by our own tool.
if(TARGET mkskin)
  set(_skin_stamp ${MOJU_WORKDIR}/images/.stamp)
  add_custom_command(OUTPUT ${_skin_stamp}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:mkskin> ${MOJU_WORKDIR}/images
    COMMAND ${CMAKE_COMMAND} -E touch ${_skin_stamp}
    DEPENDS mkskin
    COMMENT "Skin pictures")
  list(APPEND _outputs ${_skin_stamp})
endif()

# The detection-cycle log's export program sits beside the monitor.
if(TARGET cyclelog-xls)
  add_custom_command(OUTPUT ${MOJU_WORKDIR}/vur_net/xls
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:cyclelog-xls> ${MOJU_WORKDIR}/vur_net/xls
    DEPENDS cyclelog-xls
    COMMENT "Cycle-log export program")
  list(APPEND _outputs ${MOJU_WORKDIR}/vur_net/xls)
endif()

add_custom_target(workdir ALL DEPENDS ${_outputs})
