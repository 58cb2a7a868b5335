sky_add_tests(wx_7_tests LABEL wx_7 TIMEOUT 120
    SOURCES WxGraphTest.cpp
    LIBS WeatherTestKit)
