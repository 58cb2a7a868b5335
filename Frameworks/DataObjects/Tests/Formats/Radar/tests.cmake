# The radar readers that share the radial mesh: Level II (its file sets up the unit table for the program), radar
# netCDF and Canadian.
sky_add_tests(dx_radar_formats_tests
    SOURCES ${DX_FUZZ}/DxRadarFuzzEntry.cpp dec_4: ../Nexrad2/DxNidsLevelTwoTest.cpp DxRadarReadersTest.cpp
            fix_3: DxRadarNetCDFDumpTest.cpp fix_3,dec_4,qa_3: DxRadarNetCDFPixelsTest.cpp
    LIBS DataObjects BZip2::BZip2 ZLIB::ZLIB PkgConfig::NETCDF)
if(TARGET dx_radar_formats_tests)
    target_compile_definitions(dx_radar_formats_tests PRIVATE DX_RADAR_CORPUS="${DX_FUZZ}/corpus")
    target_include_directories(dx_radar_formats_tests PRIVATE ${DX_FUZZ})
endif()
