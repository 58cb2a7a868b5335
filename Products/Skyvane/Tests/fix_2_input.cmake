# Hostile input on the instances, on the plug-in in process: clicks on hidden buttons and on a moved panel, a
# caption band too narrow for text, a removed layer's popup (a use after free it guards).
sky_add_tests(vane_hostile_input_tests TIMEOUT 60
    SOURCES VaneAppTestSupport.cpp
        fix_2: VaneInstanceInputTest.cpp
        fix_2,app_2: VaneMapPopupTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
