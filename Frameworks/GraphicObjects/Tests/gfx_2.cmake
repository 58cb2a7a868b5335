sky_add_tests(gx_gl_image_tests LABEL gfx_2
    SOURCES GxGLContextTest.cpp GxGlyphTest.cpp GxPNGReaderTest.cpp ../Fuzz/GxPNGFuzzEntry.cpp GxContextTextureTest.cpp
        GxExportTest.cpp GxPNGRealDataTest.cpp
    LIBS GraphicObjects GraphicObjectsGL PNG::PNG JPEG::JPEG PkgConfig::CAIRO)
# The ThreadSanitizer tree defines only threaded test targets.
if(TARGET gx_gl_image_tests)
    target_compile_definitions(gx_gl_image_tests PRIVATE GX_PNG_CORPUS="${CMAKE_CURRENT_LIST_DIR}/../Fuzz/corpus")
    target_include_directories(gx_gl_image_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
