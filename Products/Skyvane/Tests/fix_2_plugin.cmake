# The plug-in under stress, in process: shut-down and reload with a request hanging, streams that outlive their
# instance and hand-overs that fail (threaded: also in the ThreadSanitizer tree); plug-in areas beyond GL's limits.
sky_add_tests(vane_stress_tests LABEL fix_2 TSAN TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VanePluginShutdownTest.cpp VanePluginStreamsTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
sky_add_tests(vane_size_tests LABEL fix_2 TIMEOUT 240
    SOURCES VaneAppTestSupport.cpp VanePluginSizesTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
