# A popup taking a scripted command code or item number, as the test browser's menu lines use it.
sky_add_tests(pf_popup_command_tests TIMEOUT 30
    SOURCES host_1: PfPopupCommandTest.cpp host_1,pf_ui,qa_3: PfPopupNumberTest.cpp
    LIBS Platform)
