sky_add_tests(eng_2_tests LABEL eng_2 TSAN SOURCES DxNetworkTest.cpp LIBS DataObjects TestSupportHttp)
