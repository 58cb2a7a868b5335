# One frame of a map instance at 1024 x 768 on the test browser against the bare map of the same scene.
sky_add_bench(map_instance_bench SOURCES VaneMapInstanceBench.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit)
# Documents of 5,000 and 50,000 hidden gridline layers and of labelled isobars (six layers at 1,000 px, 2,000 layers
# at 1 to 200 px) drawn by the main job's library, each in its own process: the peak resident size, the time, and
# the times of reading, drawing and dismantling the map.
sky_add_bench(text_styles_bench SOURCES VaneTextStylesBench.cpp LIBS VaneRender)
