sky_add_tests(data_3_tests LABEL data_3
    SOURCES DxConfigParserTest.cpp DxParmListParserTest.cpp DxSiteListParserTest.cpp DxProductListParserTest.cpp
    LIBS DataObjects)
