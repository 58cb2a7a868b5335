sky_add_tests(data_4_tests LABEL data_4
    SOURCES DxMetFormulasTest.cpp DxSolarFormulasTest.cpp
    LIBS DataObjects)
