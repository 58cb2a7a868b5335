# Station labels no larger than half the view, sharing the map's label textures within its budget.
sky_add_tests(wx_fix7_labels_tests TIMEOUT 120
    SOURCES fix_7,wx_3: WxStationLabelsTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)
if(TARGET wx_fix7_labels_tests)
    target_compile_definitions(wx_fix7_labels_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()
