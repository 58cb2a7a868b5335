# A popup taking a scripted command code, as the test browser's menu lines use it.
sky_add_tests(pf_popup_command_tests LABEL host_1 TIMEOUT 30
    SOURCES PfPopupCommandTest.cpp
    LIBS Platform)
