# Map projections, the projector and the factory.
sky_add_tests(gx_projection_tests LABEL gfx_3
    SOURCES GxProjectionTest.cpp GxProjectionsTest.cpp GxProjectionTableTest.cpp
    LIBS GraphicObjects)

if(TARGET gx_projection_tests)
    target_compile_definitions(gx_projection_tests PRIVATE
        GX_PROJECTION_TABLE_DIR="${CMAKE_CURRENT_LIST_DIR}/data/projections")

    # The ellipse Albers inverse once looped for ever on NaN input.
    add_test(NAME gfx_3_albers_ellipse_nan_ends
        COMMAND gx_projection_tests --gtest_filter=GxProjectionFaults.AlbersEllipseInverseEndsOnNaN)
    set_tests_properties(gfx_3_albers_ellipse_nan_ends PROPERTIES LABELS gfx_3 TIMEOUT 10)

    # The checked-in reference tables are what the script makes today (skipped without PROJ's proj tool).
    find_package(Python3 COMPONENTS Interpreter)
    if(Python3_Interpreter_FOUND)
        add_test(NAME gfx_3_projection_tables_current
            COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/tools/make_projection_tables.py
                    --check ${CMAKE_CURRENT_LIST_DIR}/data/projections)
        set_tests_properties(gfx_3_projection_tables_current PROPERTIES LABELS gfx_3 SKIP_RETURN_CODE 77)
    endif()
endif()
