# The fuzz targets' regressions and seeds, replayed by a g++ build through the targets' own entries.
sky_add_tests(rel_1_replay_tests LABEL rel_1 TIMEOUT 300
    SOURCES DxFuzzReplayTest.cpp ../Fuzz/DxDocFuzzEntry.cpp ../Fuzz/DxRadarFuzzEntry.cpp ../Fuzz/DxNidsFuzzEntry.cpp
            ../Fuzz/DxShapeFuzzEntry.cpp ../Fuzz/DxImageFuzzEntry.cpp ../../XmlObjects/Fuzz/XmlFuzzEntry.cpp
            ../../GraphicObjects/Fuzz/GxPNGFuzzEntry.cpp
    LIBS DataObjects PkgConfig::NETCDF)
if(TARGET rel_1_replay_tests)
    target_include_directories(rel_1_replay_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz
        ${CMAKE_CURRENT_LIST_DIR}/../../XmlObjects/Fuzz ${CMAKE_CURRENT_LIST_DIR}/../../XmlObjects/Tests
        ${CMAKE_CURRENT_LIST_DIR}/../../GraphicObjects/Fuzz)
endif()
sky_add_tests(rel_1_fault_tests LABEL rel_1 TSAN TIMEOUT 300 SOURCES DxFaultMatrixTest.cpp LIBS DataObjects TestSupportHttp)
