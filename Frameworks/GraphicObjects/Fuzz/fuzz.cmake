# The seed corpus in corpus/ is also replayed by the PNG reader's tests.
sky_add_fuzz(png_reader_fuzz SOURCES GxPNGReaderFuzz.cpp GxPNGFuzzEntry.cpp LIBS GraphicObjects)
