# Hostile input on the instances and the data dialogs, on the plug-in in process: clicks on hidden buttons and on
# a moved panel, a caption band too narrow for text, a removed layer's popup (a use after free it guards), links
# that are no web addresses, names that are no UTF-8 and a deep data folder (its time-out is the hang bound).
sky_add_tests(vane_hostile_input_tests TIMEOUT 60
    SOURCES VaneAppTestSupport.cpp
        fix_2: VaneInstanceInputTest.cpp VaneDataDialogsTest.cpp
        fix_2,app_2: VaneMapPopupTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
