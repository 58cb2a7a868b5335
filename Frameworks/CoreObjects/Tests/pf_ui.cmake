sky_add_tests(pf_ui_core_tests LABEL pf_ui TIMEOUT 30
    SOURCES CxPfDebugTest.cpp
    LIBS CoreObjects)
