sky_add_tests(wx_series_tests TIMEOUT 120
    SOURCES wx_8: WxSeriesClientTest.cpp wx_8,fix_8: WxSeriesVectorTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)
# The real observations come through the manager's job threads.
sky_add_tests(wx_series_thread_tests LABEL wx_8 TSAN TIMEOUT 120
    SOURCES WxSeriesObsTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)
foreach(target wx_series_tests wx_series_thread_tests)
    if(TARGET ${target})
        target_compile_definitions(${target} PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
    endif()
endforeach()
if(TARGET wx_series_tests)
    # An interval of 0 once never advanced the walk over the time steps.
    add_test(NAME wx_8_zero_interval_ends
        COMMAND wx_series_tests --gtest_filter=WxSeriesVectorTest.ZeroIntervalDrawsNothing)
    set_tests_properties(wx_8_zero_interval_ends PROPERTIES LABELS wx_8 TIMEOUT 10)
endif()
