# Drags, their colours and the clipboard, through the public headers.
sky_add_tests(fx_drag_tests LABEL fx_9 TIMEOUT 60
    SOURCES FxDragTest.cpp
    LIBS FaceObjects)
