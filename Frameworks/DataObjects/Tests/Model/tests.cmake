sky_add_tests(dx_model_tests
    SOURCES data_1: DxUnitTest.cpp DxUnitIdTest.cpp DxFieldTest.cpp DxParmTest.cpp DxRecordTest.cpp
            data_2: DxFrameTest.cpp DxGridTest.cpp DxImageTest.cpp
            data_3: DxConfigParserTest.cpp
            # Durations in units that are not durations; a second load of the unit table while handles live.
            data_5: DxUnitMistakesTest.cpp
            perf_1: DxIndexedTexelsTest.cpp
    LIBS DataObjects)
sky_add_tests(dx_model_thread_tests TSAN SOURCES data_1: DxUnitThreadTest.cpp LIBS DataObjects)
