sky_add_tests(house_2_xml_number_tests LABEL house_2 SOURCES XmlNumberAttributeTest.cpp LIBS XmlObjects)
if(TARGET house_2_xml_number_tests) # the table of texts is the core objects' one
    target_include_directories(house_2_xml_number_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../CoreObjects/Tests)
endif()
