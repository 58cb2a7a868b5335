# GL contexts on the window server's views and windows, seen through its snapshots.
sky_add_tests(pf_ui_gl_tests LABEL pf_ui TIMEOUT 60
    SOURCES GxPfSurfaceTest.cpp
    LIBS GraphicObjects GraphicObjectsGL)
