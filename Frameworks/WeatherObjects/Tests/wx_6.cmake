sky_add_tests(wx_6_tests LABEL wx_6 TIMEOUT 120 SOURCES WxImageTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_6_tests)
    target_compile_definitions(wx_6_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
