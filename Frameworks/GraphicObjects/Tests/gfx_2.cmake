sky_add_tests(gfx_2_tests LABEL gfx_2
    SOURCES GxGLContextTest.cpp GxGlyphTest.cpp GxPNGReaderTest.cpp ../Fuzz/GxPNGFuzzEntry.cpp GxContextTextureTest.cpp
        GxExportTest.cpp GxPNGRealDataTest.cpp
    LIBS GraphicObjects GraphicObjectsGL PNG::PNG JPEG::JPEG PkgConfig::CAIRO)
# The ThreadSanitizer tree defines only threaded test targets.
if(TARGET gfx_2_tests)
    target_compile_definitions(gfx_2_tests PRIVATE GX_PNG_CORPUS="${CMAKE_CURRENT_LIST_DIR}/../Fuzz/corpus")
    target_include_directories(gfx_2_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
