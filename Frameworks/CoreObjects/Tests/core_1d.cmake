sky_add_tests(core_1_debug_tests LABEL core_1
    SOURCES CxDebugTest.cpp
    LIBS CoreObjects)

sky_add_tests(core_1_lock_tests LABEL core_1 TSAN
    SOURCES CxCriticalRegionTest.cpp CxDebugThreadTest.cpp CxRegionReuseTest.cpp
    LIBS CoreObjects)
