# Gradient controls, through the public headers; preferences under a temporary home.
sky_add_tests(fx_gradient_controls_tests TIMEOUT 60
    SOURCES fx_7: FxGradientControlsTest.cpp fix_3,fx_7: FxGradientLimitsTest.cpp
        fx_7,qa_3: FxGradientGridClickTest.cpp
    LIBS FaceObjects)
if(NOT SKYVANE_THREAD_TREE)
  # The picker window draws as it stands.
  add_test(NAME fxui_render_gradient_picker
      COMMAND fxui-render ${CMAKE_SOURCE_DIR}/Products/Skyvane/Resources/VanePalettes.fxui GradientPicker
          ${CMAKE_CURRENT_BINARY_DIR}/gradient_picker.png)
  set_tests_properties(fxui_render_gradient_picker PROPERTIES LABELS fx_7 TIMEOUT 60)
endif()
