sky_add_tests(dx_configlists_tests
    SOURCES data_3: DxParmListParserTest.cpp DxSiteListParserTest.cpp DxProductListParserTest.cpp
    LIBS DataObjects)
