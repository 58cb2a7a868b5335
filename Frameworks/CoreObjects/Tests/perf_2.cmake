sky_add_tests(cx_plain_number_tests LABEL perf_2
    SOURCES CxPlainNumberTest.cpp CxUtf8RunsTest.cpp CxStringOverTest.cpp CxFixedTextTest.cpp LIBS CoreObjects)
