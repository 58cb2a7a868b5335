sky_add_bench(core_text_bench SOURCES CxTextBench.cpp LIBS CoreObjects)
sky_add_bench(core_streams_bench SOURCES CxStreamBench.cpp LIBS CoreObjects)
