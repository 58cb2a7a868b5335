sky_add_tests(dec_2_tests LABEL dec_2 TSAN SOURCES DxSeriesTest.cpp LIBS DataObjects TestSupportHttp)
