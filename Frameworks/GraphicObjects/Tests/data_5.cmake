# Exact point-in-polygon, grid-cell codes and arc-second texts from degrees, orthographic wind vectors.
sky_add_tests(gx_geometry_edge_tests LABEL data_5
    SOURCES GxContainsExactTest.cpp GxPositionRoundingTest.cpp GxOrthographicWindTest.cpp
    LIBS GraphicObjects)

if(TARGET gx_geometry_edge_tests)
    target_compile_definitions(gx_geometry_edge_tests PRIVATE GX_DATA5_DIR="${CMAKE_CURRENT_LIST_DIR}/data/data_5")
endif()
