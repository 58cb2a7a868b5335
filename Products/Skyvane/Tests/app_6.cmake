# The automatic update check and the about box, on the plug-in in process (threaded: also in the ThreadSanitizer
# tree), and their windows as the interface file holds them, drawn by fxui-render.
sky_add_tests(vane_update_tests LABEL app_6 TSAN TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneAutoUpdateTest.cpp VaneAboutBoxTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
if(NOT SKYVANE_THREAD_TREE)
  sky_add_tests(vane_window_files_tests TIMEOUT 60
      SOURCES app_6: VaneWindowFilesTest.cpp fix_9,app_6,fix_11: VaneWindowFilesOutTest.cpp
      fix_10,fix_11: VaneWindowFilesLinkTest.cpp
      LIBS FaceObjects FaceObjectsPrivate Platform)
  target_compile_definitions(vane_window_files_tests PRIVATE FXUI_RENDER="$<TARGET_FILE:fxui-render>")
  add_dependencies(vane_window_files_tests fxui-render)
endif()
