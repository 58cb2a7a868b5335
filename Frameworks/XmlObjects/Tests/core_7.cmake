sky_add_tests(core_7_xml_tests LABEL core_7 SOURCES XmlUnwritableTest.cpp LIBS XmlObjects)
