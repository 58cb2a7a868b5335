sky_add_tests(wx_8_tests LABEL wx_8 TIMEOUT 120
    SOURCES WxSeriesClientTest.cpp WxSeriesObsTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)
if(TARGET wx_8_tests)
    target_compile_definitions(wx_8_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
