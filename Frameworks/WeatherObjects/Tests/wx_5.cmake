sky_add_tests(wx_radar_tests TIMEOUT 120
    SOURCES wx_5: WxRadarTest.cpp wx_5,qa_3: WxRadarPartsMissingTest.cpp WxRadarLegendTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_radar_tests)
    target_compile_definitions(wx_radar_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
