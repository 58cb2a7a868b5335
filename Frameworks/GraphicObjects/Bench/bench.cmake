# Our projections against PROJ's on the same points; PROJ is linked here only.
if(SKYVANE_BENCH)
    find_package(PROJ CONFIG REQUIRED)
    sky_add_bench(projection_bench SOURCES GxProjectionBench.cpp LIBS GraphicObjects PROJ::proj)
endif()

# Hit tests on large outlines.
sky_add_bench(polygon_bench SOURCES GxPolygonBench.cpp LIBS GraphicObjects)
