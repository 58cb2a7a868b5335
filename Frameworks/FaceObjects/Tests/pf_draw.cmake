sky_add_tests(fx_interface_file_tests LABEL pf_draw TIMEOUT 60
    SOURCES FxInterfaceFileTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport)
