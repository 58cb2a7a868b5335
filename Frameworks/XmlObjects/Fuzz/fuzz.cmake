# Not run by CI: CXX=clang++ with -DSKYVANE_FUZZ=ON, then
# xml_parser_fuzz -max_total_time=600 <scratch folder> Frameworks/XmlObjects/Fuzz/corpus
sky_add_fuzz(xml_parser_fuzz SOURCES XmlFuzzEntry.cpp XmlParserFuzz.cpp LIBS XmlObjects)
if(TARGET xml_parser_fuzz)
    target_include_directories(xml_parser_fuzz PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Tests)
endif()
