sky_add_tests(data_4_deriver_tests LABEL data_4
    SOURCES DxDeriverTest.cpp
    LIBS DataObjects)
