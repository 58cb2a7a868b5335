sky_add_bench(obs_builder_bench SOURCES DxObsBuilderBench.cpp LIBS DataObjects)
if(TARGET obs_builder_bench)
  target_compile_definitions(obs_builder_bench PRIVATE SKYVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
