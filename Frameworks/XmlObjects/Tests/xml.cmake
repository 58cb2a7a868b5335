sky_add_tests(xml_tests LABEL xml
    SOURCES XmlElementTest.cpp XmlBuilderTest.cpp XmlParserTest.cpp XmlWriterTest.cpp XmlRoundTripTest.cpp
    LIBS XmlObjects)

sky_add_bench(xml_parse_bench SOURCES XmlParseBench.cpp LIBS XmlObjects)
