# Across the whole library: the fuzz targets' regressions and seeds, replayed by a g++ build through the targets'
# own entries, and lying headers and cut files through the same entries, peak allocation measured in the ASan tree;
# faults and hostile replies, clocks, trickling servers and deleted sets through each kind's manager.
sky_add_tests(dx_replay_tests TIMEOUT 300
    SOURCES ${DX_FUZZ}/DxDocFuzzEntry.cpp ${DX_FUZZ}/DxRadarFuzzEntry.cpp ${DX_FUZZ}/DxNidsFuzzEntry.cpp
            ${DX_FUZZ}/DxShapeFuzzEntry.cpp ${DX_FUZZ}/DxImageFuzzEntry.cpp
            ${DX_TESTS}/../../XmlObjects/Fuzz/XmlFuzzEntry.cpp ${DX_TESTS}/../../GraphicObjects/Fuzz/GxPNGFuzzEntry.cpp
            rel_1: DxFuzzReplayTest.cpp
            rel_3: DxBoundedReadingTest.cpp
    LIBS DataObjects PkgConfig::NETCDF)
if(TARGET dx_replay_tests)
    target_include_directories(dx_replay_tests PRIVATE ${DX_FUZZ}
        ${DX_TESTS}/../../XmlObjects/Fuzz ${DX_TESTS}/../../XmlObjects/Tests ${DX_TESTS}/../../GraphicObjects/Fuzz)
endif()
sky_add_tests(dx_robustness_thread_tests TSAN TIMEOUT 300
    SOURCES rel_1: DxFaultMatrixTest.cpp
            rel_2: DxHostileReplyTest.cpp
    LIBS DataObjects TestSupportHttp)
