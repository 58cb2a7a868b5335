# The drivers' limits on a plug-in's context, asked again until a context answers, and the caller's context kept.
sky_add_tests(fx_gl_limits_tests TIMEOUT 60
    SOURCES fix_5,fx_2: FxGLLimitsTest.cpp
    LIBS FaceObjects FaceObjectsPrivate GraphicObjectsGL TestSupport)
