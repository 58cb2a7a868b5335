sky_add_tests(wx_shape_tests LABEL wx_10 TIMEOUT 120 SOURCES WxDistanceTest.cpp WxShapeTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_shape_tests)
    target_compile_definitions(wx_shape_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
        WX10_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")

    # The checked-in probe table is what OGR makes today (skipped without python3-gdal). The bindings come with
    # the distribution's interpreter, which need not be the first python3 on the path.
    find_program(WX10_OGR_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
    if(WX10_OGR_PYTHON)
        add_test(NAME wx_10_shape_probes_current
            COMMAND ${WX10_OGR_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/tools/make_shape_probes.py
                    --check ${CMAKE_CURRENT_LIST_DIR}/data/shape_probes.csv)
        set_tests_properties(wx_10_shape_probes_current PROPERTIES LABELS wx_10 SKIP_RETURN_CODE 77)
    endif()
endif()
