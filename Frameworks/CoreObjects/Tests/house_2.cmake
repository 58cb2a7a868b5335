sky_add_tests(cx_number_text_tests LABEL house_2 SOURCES CxNumberTextTest.cpp LIBS CoreObjects)
