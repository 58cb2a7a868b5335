sky_add_tests(dx_grids_tests SOURCES dec_1: DxGridParserTest.cpp LIBS DataObjects)
