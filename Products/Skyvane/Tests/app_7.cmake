# The sheet windows, the data files sheet and the data manager, on the plug-in in process (threaded: also in the
# ThreadSanitizer tree), and their windows as the interface file holds them, drawn by fxui-render.
sky_add_tests(vane_data_tests LABEL app_7 TSAN TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneSheetWindowTest.cpp VaneCacheDialogTest.cpp
        VaneDataManagerTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
if(NOT SKYVANE_THREAD_TREE)
  sky_add_tests(vane_data_window_files_tests LABEL app_7 TIMEOUT 60
      SOURCES VaneDataWindowFilesTest.cpp
      LIBS FaceObjects FaceObjectsPrivate Platform)
  target_compile_definitions(vane_data_window_files_tests PRIVATE FXUI_RENDER="$<TARGET_FILE:fxui-render>")
  add_dependencies(vane_data_window_files_tests fxui-render)
endif()
# The maps' and graphs' ways into the data manager, on the plug-in in process.
sky_add_tests(vane_data_connection_tests LABEL app_7 TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneDataConnectionsTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
