# The plug-in's dates on the host's run loop, read from other threads too (also in the ThreadSanitizer tree).
sky_add_tests(vane_clock_tests LABEL fix_4 TSAN TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VanePluginClockTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
