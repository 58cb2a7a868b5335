sky_add_tests(wx_map_tests LABEL wx_1 TIMEOUT 120
    SOURCES WxMapTest.cpp WxParserTest.cpp WxProductTest.cpp WxKitTest.cpp
    LIBS WeatherTestKit)
