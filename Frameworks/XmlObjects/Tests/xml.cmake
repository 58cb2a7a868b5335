sky_add_tests(xml_tests LABEL xml
    SOURCES XmlElementTest.cpp XmlBuilderTest.cpp XmlParserTest.cpp
    LIBS XmlObjects)
