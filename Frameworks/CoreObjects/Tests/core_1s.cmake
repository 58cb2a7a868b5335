sky_add_tests(cx_strings_tests LABEL core_1
    SOURCES CxStringTest.cpp CxStringFormatTest.cpp CxParsersTest.cpp CxUnicodeTest.cpp CxUtilitiesTest.cpp
    LIBS CoreObjects)
