# Builds the example database from the text sources in data/ with binodal-cli,
# into STAGING (always rebuilt when run), and copies it next to the programs in
# OUT_DIR only when OUT_DIR holds no table file yet: a database there may have
# been edited by a user and is never replaced.
#
# cmake -DCLI=... -DDATA_DIR=... -DSTAGING=... -DOUT_DIR=... -P make_example_db.cmake

set(tables systems.d phases.d gibbs_energy.d stability_params.d stability_detail.d experim_data.d)

function(run_cli)
  execute_process(COMMAND "${CLI}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Example database: binodal-cli ${ARGN} failed (${rc}):\n${out}${err}")
  endif()
endfunction()

file(REMOVE_RECURSE "${STAGING}")
run_cli(create-db "${STAGING}")
run_cli(params-upload --db "${STAGING}" "${DATA_DIR}/STABILITY_PARAMS.txt")
file(GLOB systems "${DATA_DIR}/*.ter")
list(SORT systems)
foreach(system IN LISTS systems)
  run_cli(upload --db "${STAGING}" "${system}")
endforeach()

foreach(table IN LISTS tables)
  if(EXISTS "${OUT_DIR}/${table}")
    message(STATUS "Example database: ${OUT_DIR} holds a database already; it is left as it is "
                   "(a fresh copy is in ${STAGING})")
    return()
  endif()
endforeach()
foreach(table IN LISTS tables)
  file(COPY "${STAGING}/${table}" DESTINATION "${OUT_DIR}")
endforeach()
message(STATUS "Example database written to ${OUT_DIR}")
