# The sheet windows, the data files sheet and the data manager, on the plug-in in process (threaded: also in the
# ThreadSanitizer tree), and their windows as the interface file holds them, drawn by fxui-render.
sky_add_tests(vane_data_tests LABEL app_7 TSAN TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneSheetWindowTest.cpp VaneCacheDialogTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
