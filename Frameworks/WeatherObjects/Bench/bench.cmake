# One offscreen map frame at 1024 x 768 and its parts; the bundle's icons come from the source tree.
sky_add_bench(map_frame_bench SOURCES WxMapFrameBench.cpp LIBS WeatherObjects GraphicObjectsGL)
sky_add_bench(obs_bench SOURCES WxObsBench.cpp LIBS WeatherObjects GraphicObjectsGL)
sky_add_bench(contour_bench SOURCES WxContourBench.cpp LIBS WeatherObjects GraphicObjectsGL)
sky_add_bench(radar_draw_bench SOURCES WxRadarBench.cpp LIBS WeatherObjects GraphicObjectsGL TestSupport)
sky_add_bench(series_draw_bench SOURCES WxSeriesBench.cpp LIBS WeatherObjects GraphicObjectsGL)
