sky_add_tests(gx_text_tests LABEL gfx_5
    SOURCES GxTextEngineTest.cpp GxFontTest.cpp GxMeshTest.cpp GxDisplayListTest.cpp GxTextureTest.cpp
            GxStringTest.cpp GxStringGroupTest.cpp
    LIBS GraphicObjects GraphicObjectsGL GraphicObjectsPrivate)
sky_add_tests(gx_text_thread_tests LABEL gfx_5 TSAN
    SOURCES GxTextThreadTest.cpp
    LIBS GraphicObjects GraphicObjectsPrivate)
