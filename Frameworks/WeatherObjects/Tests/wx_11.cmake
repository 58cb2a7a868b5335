sky_add_tests(wx_advisory_tests LABEL wx_11 TIMEOUT 120 SOURCES WxAdvisoryTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_advisory_tests)
    target_compile_definitions(wx_advisory_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
    target_include_directories(wx_advisory_tests PRIVATE ${CMAKE_SOURCE_DIR}/Frameworks/DataObjects/Tests)
endif()
