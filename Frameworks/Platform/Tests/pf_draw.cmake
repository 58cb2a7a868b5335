sky_add_tests(pf_canvas_tests LABEL pf_draw TIMEOUT 60
    SOURCES PfCanvasTest.cpp PfTextTest.cpp PfThemeTest.cpp
    LIBS Platform PkgConfig::PF_CAIRO)
# Images are checked against the toolkit's own PNG reader: a test-only link upwards.
sky_add_tests(pf_image_tests LABEL pf_draw TIMEOUT 60
    SOURCES PfImageTest.cpp
    LIBS Platform GraphicObjects)
