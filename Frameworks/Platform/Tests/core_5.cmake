sky_add_tests(core_5_platform_tests LABEL core_5 TSAN
    SOURCES PfEventTest.cpp PfRunLoopTest.cpp
    LIBS Platform)
