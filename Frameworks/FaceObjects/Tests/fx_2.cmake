sky_add_tests(fx_browser_tests LABEL fx_2 TIMEOUT 60
    SOURCES FxBrowserTest.cpp
    LIBS FaceObjects TestSupport)
sky_add_tests(fx_plugin_tests LABEL fx_2 TIMEOUT 60
    SOURCES FxPluginTest.cpp FxTestPlugin.cpp
    LIBS FaceObjects FaceObjectsPrivate GraphicObjectsGL VaneHost TestSupport)
