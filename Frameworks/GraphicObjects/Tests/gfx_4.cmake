sky_add_tests(gx_polygon_tests LABEL gfx_4
    SOURCES GxColorGradientTest.cpp GxPolygonTest.cpp GxPolygonClipperTest.cpp GxTesselatorTest.cpp GxColorKeyTest.cpp
    LIBS GraphicObjects GraphicObjectsGL)
