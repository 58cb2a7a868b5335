# The plug-in's dates on the host's run loop, read from other threads too (also in the ThreadSanitizer tree).
sky_add_tests(vane_clock_tests TSAN TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp fix_4: VanePluginClockTest.cpp fix_4,app_1,qa_4: VanePluginRealClockTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
