sky_add_tests(dx_advisory_thread_tests TSAN SOURCES dec_7: DxAdvisoryTest.cpp LIBS DataObjects TestSupportHttp)
