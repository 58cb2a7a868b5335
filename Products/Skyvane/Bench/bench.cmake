# One frame of a map instance at 1024 x 768 on the test browser against the bare map of the same scene.
sky_add_bench(map_instance_bench SOURCES VaneMapInstanceBench.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit)
