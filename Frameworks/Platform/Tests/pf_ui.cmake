sky_add_tests(pf_window_server_tests LABEL pf_ui TIMEOUT 30
    SOURCES PfWindowServerTest.cpp PfDragDataTest.cpp
    LIBS Platform)
