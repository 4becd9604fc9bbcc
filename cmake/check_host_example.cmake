# Runs the C host example on one board, as raw blocks the desk tool writes, and requires
# the cut list the tool's own run of that board shows: as many pieces, one row each.
#   cmake -DSAWLINE=... -DHOST=... -DLIBRARY=... -DBOARD=... -DWORK=... -P check_host_example.cmake
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${SAWLINE} export ${BOARD} --params ${WORK}/board.params.f32
                        --marks ${WORK}/board.marks.f32
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "sawline export failed (${status}): ${error}")
endif()
execute_process(COMMAND ${SAWLINE} run ${BOARD} WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE desk RESULT_VARIABLE status)
if(NOT desk MATCHES "pieces in the cut list: ([0-9]+)")
  message(FATAL_ERROR "sawline run printed no piece count (${status}):\n${desk}")
endif()
set(expected ${CMAKE_MATCH_1})
execute_process(COMMAND ${HOST} ${LIBRARY} ${WORK}/board.params.f32 ${WORK}/board.marks.f32
                WORKING_DIRECTORY ${WORK} OUTPUT_VARIABLE out ERROR_VARIABLE error
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out MATCHES "pieces: ([0-9]+)")
  message(FATAL_ERROR "host_example failed (${status}): ${out}${error}")
endif()
if(NOT CMAKE_MATCH_1 EQUAL expected)
  message(FATAL_ERROR "host_example got ${CMAKE_MATCH_1} pieces, the desk ${expected}:\n${out}")
endif()
string(REGEX MATCHALL "\n +[0-9]+  [a-z]+ " rows "${out}")
list(LENGTH rows count)
if(NOT count EQUAL expected)
  message(FATAL_ERROR "host_example printed ${count} rows for ${expected} pieces:\n${out}")
endif()
message(STATUS "host_example: ${expected} pieces, as the desk")
