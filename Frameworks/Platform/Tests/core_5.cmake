sky_add_tests(pf_run_loop_tests LABEL core_5 TSAN
    SOURCES PfEventTest.cpp PfRunLoopTest.cpp
    LIBS Platform)
