sky_add_tests(eng_3_tests LABEL eng_3 TSAN SOURCES DxObsTest.cpp LIBS DataObjects TestSupportHttp)
