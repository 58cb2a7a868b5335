sky_add_tests(dec_1_tests LABEL dec_1 SOURCES DxKdfParserTest.cpp DxGridParserTest.cpp LIBS DataObjects)
sky_add_tests(dec_1_thread_tests LABEL dec_1 TSAN SOURCES DxLoggerTest.cpp LIBS DataObjects)
