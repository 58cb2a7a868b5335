sky_add_tests(gfx_5_tests LABEL gfx_5
    SOURCES GxTextEngineTest.cpp GxFontTest.cpp GxMeshTest.cpp
    LIBS GraphicObjects)
