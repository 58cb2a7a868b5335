# Files written whole: the fresh file's name cut to the folder's limit, a link at the name replaced, a failed or
# throwing fill.
sky_add_tests(pf_whole_file_tests TIMEOUT 60
    SOURCES fix_7,fix_9: PfWholeFileTest.cpp
    LIBS Platform)
# The run loop's count of work in flight, which a driver of the loop waits for (also under TSan).
sky_add_tests(pf_run_loop_work_tests TSAN SOURCES fix_7,core_5: PfRunLoopWorkTest.cpp LIBS Platform)
