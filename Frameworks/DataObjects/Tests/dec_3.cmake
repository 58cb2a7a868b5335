sky_add_tests(dec_3_tests LABEL dec_3 SOURCES DxNidsLevelThreeTest.cpp LIBS DataObjects BZip2::BZip2 PkgConfig::NETCDF)
