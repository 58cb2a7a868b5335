sky_add_tests(gfx_2_tests LABEL gfx_2
    SOURCES GxGLContextTest.cpp GxGlyphTest.cpp GxPNGReaderTest.cpp GxPNGFuzzEntry.cpp GxContextTextureTest.cpp
        GxExportTest.cpp GxPNGRealDataTest.cpp
    LIBS GraphicObjects)
# The ThreadSanitizer tree defines only threaded test targets.
if(TARGET gfx_2_tests)
    target_compile_definitions(gfx_2_tests PRIVATE GX_PNG_CORPUS="${CMAKE_CURRENT_LIST_DIR}/fuzz/png")
endif()

sky_add_fuzz(png_reader_fuzz SOURCES GxPNGReaderFuzz.cpp GxPNGFuzzEntry.cpp LIBS GraphicObjects)
