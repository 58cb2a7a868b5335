# When a map tells of its products' changes, and what reading or dismantling a map asks of each product; contour
# labels no larger than the map shows, sharing their textures.
sky_add_tests(wx_fix5_tests TIMEOUT 120
    SOURCES fix_5,wx_1: WxMapReadinessTest.cpp fix_5,wx_4: WxContourLabelsTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)
if(TARGET wx_fix5_tests)
    target_compile_definitions(wx_fix5_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
