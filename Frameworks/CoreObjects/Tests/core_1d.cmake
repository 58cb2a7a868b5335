sky_add_tests(cx_debug_tests LABEL core_1
    SOURCES CxDebugTest.cpp
    LIBS CoreObjects)

sky_add_tests(cx_lock_thread_tests LABEL core_1 TSAN
    SOURCES CxCriticalRegionTest.cpp CxDebugThreadTest.cpp CxRegionReuseTest.cpp
    LIBS CoreObjects)
