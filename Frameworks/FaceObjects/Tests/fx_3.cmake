sky_add_tests(fx_control_tests TIMEOUT 60
    SOURCES fx_3: FxControlTest.cpp fix_3: FxControlEndTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport Platform)
