sky_add_tests(wx_obs_tests LABEL wx_3 TIMEOUT 120
    SOURCES WxSeriesAxisTest.cpp WxObsTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_obs_tests)
    target_compile_definitions(wx_obs_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
        WX3_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")
endif()
