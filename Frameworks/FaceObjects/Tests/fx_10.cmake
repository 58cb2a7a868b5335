sky_add_tests(fx_data_browser_tests TIMEOUT 60
    SOURCES fx_10: FxDataBrowserTest.cpp fix_3: FxTableWindowTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport Platform)
if(NOT SKYVANE_THREAD_TREE)
  # The bundle's cell file draws as it stands.
  add_test(NAME fxui_render_vane_cells
      COMMAND fxui-render ${CMAKE_SOURCE_DIR}/Products/Skyvane/Resources/VaneCells.fxui ShapeCell
          ${CMAKE_CURRENT_BINARY_DIR}/vane_cells.png)
  set_tests_properties(fxui_render_vane_cells PROPERTIES LABELS fx_10 TIMEOUT 60)
endif()
