# Runs COMMAND (a list) and fails unless it exits 0 and prints EXPECT.
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE code OUTPUT_VARIABLE out)
if(NOT code EQUAL 0 OR NOT out STREQUAL "${EXPECT}")
    message(FATAL_ERROR "exit ${code}, printed '${out}', expected '${EXPECT}'")
endif()
if(NO_TMPDIR AND DEFINED ENV{TMPDIR})
    message(FATAL_ERROR "TMPDIR is set ($ENV{TMPDIR}), the caller's is not")
endif()
