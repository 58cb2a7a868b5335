sky_add_tests(dx_kdf_tests SOURCES dec_1: DxKdfParserTest.cpp LIBS DataObjects)
