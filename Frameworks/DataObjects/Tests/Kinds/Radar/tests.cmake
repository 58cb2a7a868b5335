sky_add_tests(dx_radar_thread_tests TSAN
    SOURCES dec_3,rel_2: DxNidsManagerTest.cpp
            dec_3,qa_3: DxNidsClientIdTest.cpp DxNidsConfigRefreshTest.cpp
    LIBS DataObjects TestSupportHttp)
