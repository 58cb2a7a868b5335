# A popup taking a scripted command code or item number, as the test browser's menu lines use it; what the
# toolkit reads back from menus.
sky_add_tests(pf_popup_command_tests TIMEOUT 30
    SOURCES host_1: PfPopupCommandTest.cpp host_1,pf_ui,qa_3: PfPopupNumberTest.cpp
        host_1,pf_ui,qa_4: PfMenuLookupTest.cpp
    LIBS Platform)
