sky_add_tests(perf_2_number_text_tests LABEL perf_2
    SOURCES CxPlainNumberTest.cpp CxUtf8RunsTest.cpp CxStringOverTest.cpp LIBS CoreObjects)
