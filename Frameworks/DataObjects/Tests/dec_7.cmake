sky_add_tests(dec_7_tests LABEL dec_7 TSAN SOURCES DxAdvisoryTest.cpp LIBS DataObjects TestSupportHttp)
