sky_add_tests(dx_obs_thread_tests TSAN SOURCES eng_3: DxObsTest.cpp LIBS DataObjects TestSupportHttp)
