sky_add_tests(wx_station_overlay_tests LABEL wx_9 TIMEOUT 120
    SOURCES WxStationOverlayTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest DataAnalysisReference)

if(TARGET wx_station_overlay_tests)
    target_compile_definitions(wx_station_overlay_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
