# The literal colour tables against their published entries.
sky_add_tests(gx_color_table_tests LABEL house_1
    SOURCES GxColorTableReferenceTest.cpp
    LIBS GraphicObjects)
