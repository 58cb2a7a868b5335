# The run loop's count of work in flight, which a driver of the loop waits for (also under TSan).
sky_add_tests(pf_run_loop_work_tests TSAN SOURCES fix_7,core_5: PfRunLoopWorkTest.cpp LIBS Platform)
