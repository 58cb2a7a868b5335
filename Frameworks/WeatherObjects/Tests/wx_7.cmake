sky_add_tests(wx_graph_tests TIMEOUT 120
    SOURCES wx_7: WxGraphTest.cpp WxGraphTimeAxisTest.cpp WxGraphDrawTest.cpp wx_7,qa_4: WxGraphOrderAndRangeTest.cpp
    LIBS WeatherTestKit GraphicObjectsGLTest)

if(TARGET wx_graph_tests)
    target_compile_definitions(wx_graph_tests PRIVATE WX2_SNAPSHOT_DIR="${CMAKE_BINARY_DIR}/snapshots"
        WX7_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")

    # A plot of no width or dates that are no number once never finished drawing.
    add_test(NAME wx_7_time_axis_ends
        COMMAND wx_graph_tests --gtest_filter=WxGraphTimeAxisTest.NoWidthOrNoDatesLayNothingOut)
    set_tests_properties(wx_7_time_axis_ends PROPERTIES LABELS wx_7 TIMEOUT 10)

    # The checked-in time axis cases are what the zoneinfo script makes today.
    find_package(Python3 COMPONENTS Interpreter)
    if(Python3_Interpreter_FOUND)
        add_test(NAME wx_7_time_axis_cases_current
            COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/tools/make_time_axis_cases.py
                    --check ${CMAKE_CURRENT_LIST_DIR}/data/time_axis_cases.csv)
        set_tests_properties(wx_7_time_axis_cases_current PROPERTIES LABELS wx_7)
    endif()
endif()
