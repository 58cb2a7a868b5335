sky_add_tests(dec_3_tests LABEL dec_3 SOURCES DxNidsLevelThreeTest.cpp ../Fuzz/DxNidsFuzzEntry.cpp
    LIBS DataObjects PkgConfig::NETCDF)
if(TARGET dec_3_tests)
    target_compile_definitions(dec_3_tests PRIVATE DX_NIDS_CORPUS="${CMAKE_CURRENT_LIST_DIR}/../Fuzz/corpus/nexrad3")
    target_include_directories(dec_3_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
sky_add_tests(dec_3_manager_tests LABEL dec_3 TSAN SOURCES DxNidsManagerTest.cpp LIBS DataObjects TestSupportHttp)
