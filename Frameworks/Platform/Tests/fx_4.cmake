# A window's proxy (file, or creator and type): state only.
sky_add_tests(pf_window_proxy_tests LABEL fx_4 TIMEOUT 30
    SOURCES PfWindowProxyTest.cpp
    LIBS Platform)
