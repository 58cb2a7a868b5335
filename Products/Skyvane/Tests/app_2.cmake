# The map instance in process on the test browser, read back from the page, snapshots as app2_<case>.png.
sky_add_tests(vane_map_tests TIMEOUT 240
    SOURCES app_2,fix_9: VaneMapInstanceTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL GraphicObjectsGLTest VaneHost WeatherTestKit TestSupport)
if(TARGET vane_map_tests)
  target_include_directories(vane_map_tests PRIVATE ${CMAKE_SOURCE_DIR}/Frameworks/WeatherObjects/Tests)
  target_compile_definitions(vane_map_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots")
endif()

# The loaded library on a gridlines document: the legend column on its side, the caption band, the buttons.
set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-map)
add_test(NAME vanehost_map
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${CMAKE_CURRENT_LIST_DIR}/scripts/map.vhs;--home;${dir}/home;--out;${dir}/out"
        -DCODE=0 -DCLEAN=${dir} -DFILES=${dir}/out/map-page.png -P ${CMAKE_CURRENT_LIST_DIR}/scripts/expect-run.cmake)
set_tests_properties(vanehost_map PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=" LABELS app_2 TIMEOUT 120)
