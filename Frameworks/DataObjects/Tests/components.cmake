# The data objects' tests, one folder per component of Common/ and one program per component and run kind
# (_thread_tests run in the ThreadSanitizer tree too). Each file's tests keep the label of the change that made
# them. The shared fixtures, data and references stay here, beside this file.
set(DX_TESTS ${CMAKE_CURRENT_LIST_DIR})
set(DX_FUZZ ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
include_directories(${DX_TESTS})

# The brute-force references of the Barnes analysis, shared by its tests and its benchmark.
if(NOT SKYVANE_THREAD_TREE OR SKYVANE_BENCH)
    add_library(DataAnalysisReference STATIC ${DX_TESTS}/DxAnalysisReference.cpp)
endif()
if(TARGET DataAnalysisReference)
    target_include_directories(DataAnalysisReference PUBLIC ${DX_TESTS})
    target_link_libraries(DataAnalysisReference PUBLIC DataObjects)
endif()

file(GLOB_RECURSE dx_test_lists CONFIGURE_DEPENDS ${DX_TESTS}/*/tests.cmake)
list(SORT dx_test_lists)
foreach(list_file ${dx_test_lists})
    include(${list_file})
endforeach()
