# Windows, views and the control builder through the public headers only, as products include them.
sky_add_tests(fx_window_tests LABEL fx_4 TIMEOUT 60
    SOURCES FxWindowTest.cpp
    LIBS FaceObjects)
