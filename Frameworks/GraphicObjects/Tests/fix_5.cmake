# Label textures shared by equal strings and kept within a budget, and let go when their group is cleared.
sky_add_tests(gx_string_textures_tests TIMEOUT 60
    SOURCES fix_5,gfx_5: GxStringTexturesTest.cpp gfx_5,fix_5,qa_4: GxStringGroupClearTest.cpp
    LIBS GraphicObjects GraphicObjectsGL GraphicObjectsPrivate)
