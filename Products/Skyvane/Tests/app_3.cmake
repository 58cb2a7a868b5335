sky_add_tests(vane_inspector_tests LABEL app_3 TIMEOUT 120
    SOURCES VaneInspectorsTest.cpp
    LIBS SkyvaneApp GraphicObjectsGL WeatherTestKit TestSupport)

if(TARGET vane_inspector_tests)
    target_compile_definitions(vane_inspector_tests PRIVATE APP3_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
    # The advisory archive writer of the data tests.
    target_include_directories(vane_inspector_tests PRIVATE ${CMAKE_SOURCE_DIR}/Frameworks/DataObjects/Tests)
endif()
