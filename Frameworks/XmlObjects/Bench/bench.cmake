sky_add_bench(xml_parse_bench SOURCES XmlParseBench.cpp LIBS XmlObjects EXPAT::EXPAT)
