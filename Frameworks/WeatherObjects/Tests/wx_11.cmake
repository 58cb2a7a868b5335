sky_add_tests(wx_11_tests LABEL wx_11 TIMEOUT 120 SOURCES WxAdvisoryTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_11_tests)
    target_compile_definitions(wx_11_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
    target_include_directories(wx_11_tests PRIVATE ${CMAKE_SOURCE_DIR}/Frameworks/DataObjects/Tests)
endif()
