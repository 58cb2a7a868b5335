sky_add_tests(gfx_1_tests LABEL gfx_1
    SOURCES GxColorTest.cpp GxColorXmlTest.cpp GxGeometryTest.cpp GxPositionTest.cpp GxVectorTest.cpp
    LIBS GraphicObjects)
