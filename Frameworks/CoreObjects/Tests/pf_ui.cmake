sky_add_tests(cx_debug_sink_tests LABEL pf_ui TIMEOUT 30
    SOURCES CxPfDebugTest.cpp
    LIBS CoreObjects)
