sky_add_tests(xml_tests LABEL xml
    SOURCES XmlElementTest.cpp XmlBuilderTest.cpp XmlParserTest.cpp XmlWriterTest.cpp XmlRoundTripTest.cpp
            XmlFuzzEntry.cpp XmlFuzzReplayTest.cpp
    LIBS XmlObjects)

sky_add_bench(xml_parse_bench SOURCES XmlParseBench.cpp LIBS XmlObjects)

# Not run by CI: CXX=clang++ with -DSKYVANE_FUZZ=ON, then
# xml_parser_fuzz -max_total_time=600 <scratch folder> Frameworks/XmlObjects/Tests/fuzz-corpus/xml_parser
sky_add_fuzz(xml_parser_fuzz SOURCES XmlFuzzEntry.cpp XmlParserFuzz.cpp LIBS XmlObjects)
