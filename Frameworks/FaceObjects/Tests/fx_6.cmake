# Colour controls, the colour panel bridge and the popovers, through the public headers.
sky_add_tests(fx_color_controls_tests TIMEOUT 60
    SOURCES fx_6: FxColorControlsTest.cpp fix_3: FxGradientDropTest.cpp fix_3,fx_6,qa_3: FxColorBarLabelTest.cpp
    LIBS FaceObjects)
if(NOT SKYVANE_THREAD_TREE)
  # The colour bar's bubble window draws as it stands.
  add_test(NAME fxui_render_help_window
      COMMAND fxui-render ${CMAKE_SOURCE_DIR}/Products/Skyvane/Resources/MacFxHelpWindow.fxui HelpWindow
          ${CMAKE_CURRENT_BINARY_DIR}/help_window.png)
  set_tests_properties(fxui_render_help_window PROPERTIES LABELS fx_6 TIMEOUT 60)
endif()
