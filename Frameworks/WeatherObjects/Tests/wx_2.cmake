sky_add_tests(wx_2_tests LABEL wx_2 TIMEOUT 120
    SOURCES WxMapDrawTest.cpp WxGridlineTest.cpp WxGridlinePopupTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_2_tests)
    target_compile_definitions(wx_2_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
        WX2_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")
endif()
