# Files written whole: the fresh file's name cut to the folder's limit, a link at the name replaced, a failed fill.
sky_add_tests(pf_whole_file_tests LABEL fix_7 TIMEOUT 60
    SOURCES PfWholeFileTest.cpp
    LIBS Platform)
# The run loop's count of work in flight, which a driver of the loop waits for (also under TSan).
sky_add_tests(pf_run_loop_work_tests TSAN SOURCES fix_7,core_5: PfRunLoopWorkTest.cpp LIBS Platform)
