sky_add_tests(dx_engine_tests SOURCES eng_1: DxCacheTest.cpp fix_6: DxCacheWritersTest.cpp LIBS DataObjects)
sky_add_tests(dx_engine_thread_tests TSAN
    SOURCES dec_1: DxLoggerTest.cpp
            eng_1: DxManagerTest.cpp
            eng_1,qa_3: DxManagerRecordsTest.cpp
            eng_2,rel_2,fix_8: DxNetworkTest.cpp
            fix_4,eng_2: DxConfigScheduleTest.cpp
            fix_6: DxClientReleaseTest.cpp
    LIBS DataObjects TestSupportHttp)
