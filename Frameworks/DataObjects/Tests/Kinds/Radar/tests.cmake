sky_add_tests(dx_radar_thread_tests TSAN SOURCES dec_3,rel_2: DxNidsManagerTest.cpp LIBS DataObjects TestSupportHttp)
