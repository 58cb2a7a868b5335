sky_add_tests(dx_nexrad3_tests SOURCES ${DX_FUZZ}/DxNidsFuzzEntry.cpp dec_3: DxNidsLevelThreeTest.cpp perf_1: DxRadialMeshTest.cpp DxNidsLevelLabelsTest.cpp
    dec_3,perf_1,rel_3,qa_2: DxNidsThresholdTablesTest.cpp
    dec_3,perf_1,qa_3: DxRadialMeshPoleTest.cpp
    LIBS DataObjects PkgConfig::NETCDF)
if(TARGET dx_nexrad3_tests)
    target_compile_definitions(dx_nexrad3_tests PRIVATE DX_NIDS_CORPUS="${DX_FUZZ}/corpus/nexrad3")
    target_include_directories(dx_nexrad3_tests PRIVATE ${DX_FUZZ})
endif()
