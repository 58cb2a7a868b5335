sky_add_tests(fx_event_command_tests LABEL fx_1 TIMEOUT 60
    SOURCES FxEventHandlerTest.cpp FxCommanderTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport)
