sky_add_tests(wx_radar_tests LABEL wx_5 TIMEOUT 120 SOURCES WxRadarTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_radar_tests)
    target_compile_definitions(wx_radar_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
