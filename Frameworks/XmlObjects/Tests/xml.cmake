sky_add_tests(xml_tests LABEL xml
    SOURCES XmlElementTest.cpp XmlBuilderTest.cpp XmlParserTest.cpp XmlWriterTest.cpp XmlRoundTripTest.cpp
            ../Fuzz/XmlFuzzEntry.cpp XmlFuzzReplayTest.cpp
    LIBS XmlObjects EXPAT::EXPAT)
if(TARGET xml_tests)
    target_include_directories(xml_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
