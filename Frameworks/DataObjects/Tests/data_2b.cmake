# The brute-force references of the Barnes analysis, shared by its tests and its benchmark.
if(NOT SKYVANE_THREAD_TREE OR SKYVANE_BENCH)
    add_library(DataAnalysisReference STATIC ${CMAKE_CURRENT_LIST_DIR}/DxAnalysisReference.cpp)
endif()
if(TARGET DataAnalysisReference)
    target_include_directories(DataAnalysisReference PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(DataAnalysisReference PUBLIC DataObjects)
endif()

sky_add_tests(data_2b_tests LABEL data_2
    SOURCES DxAnalysisTest.cpp DxSeparationTest.cpp DxAnalysisRealDataTest.cpp
    LIBS DataObjects DataAnalysisReference)
