sky_add_tests(vane_app_tests LABEL app_1 TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneEntryPointsTest.cpp VanePluginTest.cpp VanePluginInstanceTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
