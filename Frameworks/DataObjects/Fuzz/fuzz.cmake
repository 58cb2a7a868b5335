# The seed corpus in corpus/ is also replayed by the Level III reader's tests.
sky_add_fuzz(nexrad3_fuzz SOURCES DxNidsLevelThreeFuzz.cpp DxNidsFuzzEntry.cpp LIBS DataObjects)
