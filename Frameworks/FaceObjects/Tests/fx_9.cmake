# The clipboard and its promise keeper, through the public headers.
sky_add_tests(fx_drag_tests LABEL fx_9 TIMEOUT 60
    SOURCES FxDragTest.cpp
    LIBS FaceObjects)
