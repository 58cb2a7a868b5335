sky_add_tests(dec_4_tests LABEL dec_4 SOURCES DxNidsLevelTwoTest.cpp DxRadarReadersTest.cpp ../Fuzz/DxRadarFuzzEntry.cpp
    LIBS DataObjects BZip2::BZip2 ZLIB::ZLIB PkgConfig::NETCDF)
if(TARGET dec_4_tests)
    target_compile_definitions(dec_4_tests PRIVATE DX_RADAR_CORPUS="${CMAKE_CURRENT_LIST_DIR}/../Fuzz/corpus")
    target_include_directories(dec_4_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
