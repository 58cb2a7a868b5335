find_package(ZLIB REQUIRED)
sky_add_tests(wx_image_tests LABEL wx_6 TSAN TIMEOUT 120 SOURCES WxImageTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest ZLIB::ZLIB)

if(TARGET wx_image_tests)
    target_compile_definitions(wx_image_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
        WX6_PROBES="${CMAKE_CURRENT_LIST_DIR}/data/image_probes.csv")

    # The checked-in probes are what GDAL's pixels and PROJ's positions give today (skipped without gdal-bin or
    # proj-bin).
    find_package(Python3 COMPONENTS Interpreter)
    if(Python3_Interpreter_FOUND)
        add_test(NAME wx_6_image_probes_current
            COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/tools/make_image_probes.py
                    --check ${CMAKE_CURRENT_LIST_DIR}/data/image_probes.csv)
        set_tests_properties(wx_6_image_probes_current PROPERTIES LABELS wx_6 SKIP_RETURN_CODE 77)
    endif()
endif()
