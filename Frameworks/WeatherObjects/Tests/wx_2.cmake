sky_add_tests(wx_map_draw_tests TIMEOUT 120
    SOURCES wx_2,fix_9: WxMapDrawTest.cpp wx_2: WxGridlineTest.cpp WxGridlinePopupTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_map_draw_tests)
    target_compile_definitions(wx_map_draw_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
        WX2_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")
endif()
