# Label textures shared by equal strings and kept within a budget.
sky_add_tests(gx_string_textures_tests TIMEOUT 60
    SOURCES fix_5,gfx_5: GxStringTexturesTest.cpp
    LIBS GraphicObjects GraphicObjectsGL GraphicObjectsPrivate)
