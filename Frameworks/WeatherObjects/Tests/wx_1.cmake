sky_add_tests(wx_1_tests LABEL wx_1 TIMEOUT 120
    SOURCES WxProductTest.cpp WxKitTest.cpp
    LIBS WeatherTestKit)
