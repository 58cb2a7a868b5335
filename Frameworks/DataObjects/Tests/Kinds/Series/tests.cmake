sky_add_tests(dx_series_thread_tests TSAN SOURCES dec_2,fix_6,fix_8: DxSeriesTest.cpp LIBS DataObjects TestSupportHttp)
