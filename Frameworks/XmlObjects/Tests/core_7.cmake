sky_add_tests(xml_unwritable_tests LABEL core_7 SOURCES XmlUnwritableTest.cpp LIBS XmlObjects)
