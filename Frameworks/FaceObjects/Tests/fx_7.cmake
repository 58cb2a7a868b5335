# Gradient controls, through the public headers; preferences under a temporary home.
sky_add_tests(fx_gradient_controls_tests LABEL fx_7 TIMEOUT 60
    SOURCES FxGradientControlsTest.cpp
    LIBS FaceObjects)
if(NOT SKYVANE_THREAD_TREE)
  # The picker window draws as it stands.
  add_test(NAME fxui_render_gradient_picker
      COMMAND fxui-render ${CMAKE_SOURCE_DIR}/Products/Skyvane/Resources/VanePalettes.fxui GradientPicker
          ${CMAKE_CURRENT_BINARY_DIR}/gradient_picker.png)
  set_tests_properties(fxui_render_gradient_picker PROPERTIES LABELS fx_7 TIMEOUT 60)
endif()
