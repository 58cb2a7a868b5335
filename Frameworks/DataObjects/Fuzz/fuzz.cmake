# The seed corpus in corpus/ (and the shared shapefiles, read at run time) is also replayed by the shape tests.
sky_add_fuzz(shapefile_fuzz SOURCES DxShapeFileFuzz.cpp DxShapeFuzzEntry.cpp LIBS DataObjects)
