sky_add_tests(wx_contour_tests LABEL wx_4 TIMEOUT 120
    SOURCES WxContourTest.cpp WxGradientTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_contour_tests)
    target_compile_definitions(wx_contour_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
