sky_add_tests(dec_2_tests LABEL dec_2 SOURCES DxSetTest.cpp DxSeriesTest.cpp LIBS DataObjects TestSupportHttp)
sky_add_tests(dec_2_thread_tests LABEL dec_2 TSAN SOURCES DxSeriesFlowTest.cpp LIBS DataObjects TestSupportHttp)
