sky_add_tests(dx_series_thread_tests TSAN SOURCES dec_2: DxSeriesTest.cpp LIBS DataObjects TestSupportHttp)
