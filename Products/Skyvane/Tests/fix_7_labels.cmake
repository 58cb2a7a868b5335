# Text as large as a document asks, through both tools on the demo data: each run's own peak memory (in the plain
# build) and the caption's cut.
sky_add_tests(vane_label_memory_tests LABEL fix_7 TIMEOUT 300 SOURCES VaneLabelMemoryTest.cpp)
if(TARGET vane_label_memory_tests)
  target_compile_definitions(vane_label_memory_tests PRIVATE VANERENDER="$<TARGET_FILE:vanerender>"
      VANEHOST="$<TARGET_FILE:vanehost>")
  add_dependencies(vane_label_memory_tests vanerender vanehost)
endif()
