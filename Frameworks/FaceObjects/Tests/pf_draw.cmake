sky_add_tests(fx_interface_file_tests LABEL pf_draw TIMEOUT 60
    SOURCES FxInterfaceFileTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport)
if(NOT SKYVANE_THREAD_TREE)
  sky_add_tests(fxui_render_tests LABEL pf_draw TIMEOUT 60
      SOURCES FxuiRenderTest.cpp
      LIBS Platform)
  target_compile_definitions(fxui_render_tests PRIVATE FXUI_RENDER="$<TARGET_FILE:fxui-render>")
  add_dependencies(fxui_render_tests fxui-render)
endif()
