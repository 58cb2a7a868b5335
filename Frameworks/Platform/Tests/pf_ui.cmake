sky_add_tests(pf_window_server_tests TIMEOUT 30
    SOURCES pf_ui: PfWindowServerTest.cpp pf_ui,fx_6: PfDragDataTest.cpp
    LIBS Platform)
