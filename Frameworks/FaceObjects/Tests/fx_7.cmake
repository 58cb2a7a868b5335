# Gradient controls, through the public headers; preferences under a temporary home.
sky_add_tests(fx_gradient_controls_tests LABEL fx_7 TIMEOUT 60
    SOURCES FxGradientControlsTest.cpp
    LIBS FaceObjects)
