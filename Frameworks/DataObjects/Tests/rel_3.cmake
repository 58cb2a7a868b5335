# Lying headers and cut files through the readers' fuzz entries, with the peak allocation measured in the ASan tree.
sky_add_tests(rel_3_tests LABEL rel_3 TIMEOUT 300
    SOURCES DxBoundedReadingTest.cpp ../Fuzz/DxDocFuzzEntry.cpp ../Fuzz/DxNidsFuzzEntry.cpp ../Fuzz/DxShapeFuzzEntry.cpp
            ../../GraphicObjects/Fuzz/GxPNGFuzzEntry.cpp
    LIBS DataObjects)
if(TARGET rel_3_tests)
    target_include_directories(rel_3_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz
        ${CMAKE_CURRENT_LIST_DIR}/../../GraphicObjects/Fuzz)
endif()
