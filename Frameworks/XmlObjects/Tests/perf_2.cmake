# Items in a parser's arena: single deletes, orphans and frees on other threads.
sky_add_tests(xml_arena_tests LABEL perf_2 TSAN SOURCES XmlArenaTest.cpp LIBS XmlObjects)
