# The theme's slider track as custom-drawn controls use it.
sky_add_tests(pf_theme_track_tests LABEL fx_7 TIMEOUT 30
    SOURCES PfThemeTrackTest.cpp
    LIBS Platform)
