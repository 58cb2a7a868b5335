# Windows, views and the control builder through the public headers only, as products include them.
sky_add_tests(fx_window_tests TIMEOUT 60
    SOURCES fx_4: FxWindowTest.cpp fx_4,qa_3: FxViewCommandTest.cpp
    LIBS FaceObjects)
