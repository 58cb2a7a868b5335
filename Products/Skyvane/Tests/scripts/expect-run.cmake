# Runs COMMAND (a list) and checks its exit status is CODE, its output holds every text of CONTAINS and every
# path of FILES exists afterwards.
# cmake "-DCOMMAND=..." -DCODE=n ["-DCONTAINS=..."] ["-DFILES=..."] -P expect-run.cmake
execute_process(COMMAND ${COMMAND} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message("${out}${err}")
if(NOT "${rc}" STREQUAL "${CODE}")
  message(FATAL_ERROR "exit status ${rc}, expected ${CODE}")
endif()
foreach(text ${CONTAINS})
  string(FIND "${out}${err}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the output lacks \"${text}\"")
  endif()
endforeach()
foreach(path ${FILES})
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${path} was not written")
  endif()
endforeach()
