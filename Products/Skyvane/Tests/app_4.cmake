# The map instance's view model against tools/view_reference.py, its input, commands and linked maps in process.
sky_add_tests(vane_map_input_tests LABEL app_4 TIMEOUT 240
    SOURCES VaneMapInstanceInputTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL GraphicObjectsGLTest VaneHost WeatherTestKit TestSupport)
if(TARGET vane_map_input_tests)
  target_include_directories(vane_map_input_tests PRIVATE ${CMAKE_SOURCE_DIR}/Frameworks/WeatherObjects/Tests)
  target_compile_definitions(vane_map_input_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
      VIEW_REFERENCE="${CMAKE_CURRENT_LIST_DIR}/tools/view_reference.py")
endif()

# The loaded library under scripted input: zooms about a gridline crossing, a drag, the panel, play and the
# legend's menu command.
set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-map-input)
add_test(NAME vanehost_map_input
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${CMAKE_CURRENT_LIST_DIR}/scripts/map-input.vhs;--home;${dir}/home;--out;${dir}/out"
        -DCODE=0 -DCLEAN=${dir} -P ${CMAKE_CURRENT_LIST_DIR}/scripts/expect-run.cmake)
set_tests_properties(vanehost_map_input PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=" LABELS app_4
    TIMEOUT 120)

# Linked embeds: after A is zoomed and dragged A and B show one picture; D shows C's mouse as its tracking cursor;
# of two embeds sharing an id only the first follows.
set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-linked-maps)
add_test(NAME vanehost_linked_maps
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${CMAKE_CURRENT_LIST_DIR}/scripts/linked-maps.vhs;--home;${dir}/home;--out;${dir}/out"
        -DCODE=0 -DCLEAN=${dir} "-DSAME=${dir}/out/linked-a.png,${dir}/out/linked-b.png;${dir}/out/linked-e.png,${dir}/out/linked-f.png"
        "-DDIFFER=${dir}/out/linked-f.png,${dir}/out/linked-g.png"
        -P ${CMAKE_CURRENT_LIST_DIR}/scripts/expect-same.cmake)
set_tests_properties(vanehost_linked_maps PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=" LABELS app_4
    TIMEOUT 120)

# Arrow-key records in Carbon mode: command scrolls, shift zooms coarsely.
set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-map-keys)
add_test(NAME vanehost_map_keys
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${CMAKE_CURRENT_LIST_DIR}/scripts/map-keys.vhs;--model;carbon;--home;${dir}/home;--out;${dir}/out"
        -DCODE=0 -DCLEAN=${dir} -P ${CMAKE_CURRENT_LIST_DIR}/scripts/expect-run.cmake)
set_tests_properties(vanehost_map_keys PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=" LABELS app_4 TIMEOUT 120)
