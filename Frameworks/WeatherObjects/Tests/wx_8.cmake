sky_add_tests(wx_8_tests LABEL wx_8 TIMEOUT 120
    SOURCES WxSeriesClientTest.cpp WxSeriesObsTest.cpp WxSeriesVectorTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)
if(TARGET wx_8_tests)
    target_compile_definitions(wx_8_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")

    # An interval of 0 once never advanced the walk over the time steps.
    add_test(NAME wx_8_zero_interval_ends
        COMMAND wx_8_tests --gtest_filter=WxSeriesVectorTest.ZeroIntervalDrawsNothing)
    set_tests_properties(wx_8_zero_interval_ends PROPERTIES LABELS wx_8 TIMEOUT 10)
endif()
