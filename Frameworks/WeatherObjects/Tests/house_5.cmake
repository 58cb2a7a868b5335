# The product kits' behaviours that no product test reaches.
sky_add_tests(wx_series_kit_tests LABEL house_5 TIMEOUT 60
    SOURCES WxSeriesKitTest.cpp
    LIBS WeatherTestKit)
