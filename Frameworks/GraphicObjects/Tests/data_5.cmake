# Exact point-in-polygon, grid-cell codes and arc-second texts from degrees, orthographic wind vectors.
sky_add_tests(data_5_graphics_tests LABEL data_5
    SOURCES GxContainsExactTest.cpp GxPositionRoundingTest.cpp GxOrthographicWindTest.cpp
    LIBS GraphicObjects)

if(TARGET data_5_graphics_tests)
    target_compile_definitions(data_5_graphics_tests PRIVATE GX_DATA5_DIR="${CMAKE_CURRENT_LIST_DIR}/data/data_5")
endif()
