# The literal colour tables against their published entries.
sky_add_tests(house_1_gfx_tests LABEL house_1
    SOURCES GxColorTableReferenceTest.cpp
    LIBS GraphicObjects)
