sky_add_tests(dec_5_tests LABEL dec_5 SOURCES DxShapeTest.cpp LIBS DataObjects)
