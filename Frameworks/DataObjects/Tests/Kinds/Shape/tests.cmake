sky_add_tests(dx_shape_thread_tests TSAN SOURCES dec_5: DxShapeManagerTest.cpp LIBS DataObjects TestSupportHttp)
