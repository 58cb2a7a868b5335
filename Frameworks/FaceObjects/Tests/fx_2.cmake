sky_add_tests(fx_browser_tests LABEL fx_2 TIMEOUT 60
    SOURCES FxBrowserTest.cpp
    LIBS FaceObjects TestSupport)
sky_add_tests(fx_plugin_tests TIMEOUT 60
    SOURCES FxTestPlugin.cpp fx_2: FxPluginTest.cpp fix_2,fix_5,fx_2,qa_3: FxOpenGLLayerTest.cpp
        fx_2,fix_5,qa_4: FxPluginWindowMouseTest.cpp
    LIBS FaceObjects FaceObjectsPrivate GraphicObjectsGL VaneHost TestSupport)
