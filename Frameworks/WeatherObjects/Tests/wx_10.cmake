sky_add_tests(wx_10_tests LABEL wx_10 TIMEOUT 120 SOURCES WxDistanceTest.cpp WxShapeTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_10_tests)
    target_compile_definitions(wx_10_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
