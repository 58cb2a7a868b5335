# Text validators, the colour picker, icons, the font panel and regions, through the public headers.
sky_add_tests(fx_utilities_tests LABEL fx_4b TIMEOUT 60
    SOURCES FxUtilitiesTest.cpp
    LIBS FaceObjects)
