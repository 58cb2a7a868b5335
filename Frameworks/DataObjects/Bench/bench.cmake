sky_add_bench(analysis_bench SOURCES DxAnalysisBench.cpp LIBS DataObjects DataAnalysisReference)
sky_add_bench(nexrad3_bench SOURCES DxNidsLevelThreeBench.cpp LIBS DataObjects BZip2::BZip2 TestSupport)
sky_add_bench(nexrad2_bench SOURCES DxNidsLevelTwoBench.cpp LIBS DataObjects BZip2::BZip2 ZLIB::ZLIB TestSupport)
