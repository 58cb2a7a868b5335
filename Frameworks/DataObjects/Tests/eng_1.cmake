sky_add_tests(eng_1_tests LABEL eng_1
    SOURCES DxCacheTest.cpp
    LIBS DataObjects)
sky_add_tests(eng_1_thread_tests LABEL eng_1 TSAN
    SOURCES DxManagerTest.cpp
    LIBS DataObjects)
