sky_add_tests(gx_geometry_tests LABEL gfx_1
    SOURCES GxColorTest.cpp GxColorXmlTest.cpp GxGeometryTest.cpp GxPositionTest.cpp GxVectorTest.cpp
    LIBS GraphicObjects)
