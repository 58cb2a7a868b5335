sky_add_tests(fx_control_tests LABEL fx_3 TIMEOUT 60
    SOURCES FxControlTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport Platform)
