sky_add_tests(data_2_tests LABEL data_2
    SOURCES DxFrameTest.cpp DxGridTest.cpp DxImageTest.cpp
    LIBS DataObjects)
