# Each target's seeds in corpus/<name>/ are also replayed by its reader's tests (the shape tests also read the shared
# shapefiles at run time).
sky_add_fuzz(shapefile_fuzz SOURCES DxShapeFileFuzz.cpp DxShapeFuzzEntry.cpp LIBS DataObjects)
sky_add_fuzz(nexrad3_fuzz SOURCES DxNidsLevelThreeFuzz.cpp DxNidsFuzzEntry.cpp LIBS DataObjects)
sky_add_fuzz(nexrad2_fuzz SOURCES DxNexrad2Fuzz.cpp DxRadarFuzzEntry.cpp LIBS DataObjects)
sky_add_fuzz(radar_netcdf_fuzz SOURCES DxRadarNetCDFFuzz.cpp DxRadarFuzzEntry.cpp LIBS DataObjects)
sky_add_fuzz(canadian_radar_fuzz SOURCES DxCanadianRadarFuzz.cpp DxRadarFuzzEntry.cpp LIBS DataObjects)
# Its seeds are the shared pictures (../shared/testdata/images), which the image readers' tests also replay.
sky_add_fuzz(image_readers_fuzz SOURCES DxImageReadersFuzz.cpp DxImageFuzzEntry.cpp LIBS DataObjects)
# Seeds in corpus/<name>/, replayed with the regressions by the rel_1 tests; the station and grid target also takes
# the shared netCDF files at run time through scripts/fuzz.
foreach(name GridReaders:grid_readers Advisory:advisory ConfigReaders:config_readers QueryDates:query_dates)
  string(REPLACE ":" ";" pair ${name})
  list(GET pair 0 class)
  list(GET pair 1 target)
  sky_add_fuzz(${target}_fuzz SOURCES Dx${class}Fuzz.cpp DxDocFuzzEntry.cpp LIBS DataObjects)
endforeach()
