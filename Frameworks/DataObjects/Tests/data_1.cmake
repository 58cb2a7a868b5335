sky_add_tests(data_1_tests LABEL data_1
    SOURCES DxUnitTest.cpp DxUnitIdTest.cpp DxFieldTest.cpp DxParmTest.cpp DxRecordTest.cpp
    LIBS DataObjects)
sky_add_tests(data_1_thread_tests LABEL data_1 TSAN
    SOURCES DxUnitThreadTest.cpp
    LIBS DataObjects)
