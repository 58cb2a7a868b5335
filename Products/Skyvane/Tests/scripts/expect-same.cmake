# As expect-run.cmake, then every file of SAME must be byte for byte equal to the first of them.
# cmake "-DCOMMAND=..." -DCODE=n "-DSAME=a;b..." [-DCLEAN=dir] -P expect-same.cmake
include(${CMAKE_CURRENT_LIST_DIR}/expect-run.cmake)
list(GET SAME 0 first)
foreach(path ${SAME})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${first}" "${path}" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${path} differs from ${first}")
  endif()
endforeach()
