# GL contexts on the window server's views and windows, seen through its snapshots.
sky_add_tests(gx_surface_tests LABEL pf_ui TIMEOUT 60
    SOURCES GxPfSurfaceTest.cpp
    LIBS GraphicObjects GraphicObjectsGL)
