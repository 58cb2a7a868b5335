sky_add_tests(xml_document_tests LABEL xml
    SOURCES XmlElementTest.cpp XmlBuilderTest.cpp XmlParserTest.cpp XmlWriterTest.cpp XmlRoundTripTest.cpp
            ../Fuzz/XmlFuzzEntry.cpp XmlFuzzReplayTest.cpp
    LIBS XmlObjects EXPAT::EXPAT)
if(TARGET xml_document_tests)
    target_include_directories(xml_document_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
