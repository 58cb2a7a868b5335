sky_add_tests(core_7_tests LABEL core_7 TSAN SOURCES CxUrlHostileTest.cpp LIBS CoreObjects TestSupportHttp)
