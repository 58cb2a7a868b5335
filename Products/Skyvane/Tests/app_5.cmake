# The graph instance in process on the test browser, read back from the page.
sky_add_tests(vane_graph_tests LABEL app_5 TIMEOUT 240
    SOURCES VaneAppTestSupport.cpp VaneGraphInstanceTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)

# The loaded library on a graph document, the data server at a closed port so nothing leaves the machine: the
# legend's slide, selection by command, shift and the arrow keys after a focus record, the panel's growth.
set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-graph)
add_test(NAME vanehost_graph
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${CMAKE_CURRENT_LIST_DIR}/scripts/graph.vhs;--model;carbon;--home;${dir}/home;--out;${dir}/out"
        -DCODE=0 -DCLEAN=${dir} -DFILES=${dir}/out/graph-panel.png -P ${CMAKE_CURRENT_LIST_DIR}/scripts/expect-run.cmake)
set_tests_properties(vanehost_graph PROPERTIES
    ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=;SKYVANE_SERVER_REGISTRY=http://127.0.0.1:9" LABELS app_5 TIMEOUT 120)
