sky_add_tests(dx_science_tests
    SOURCES data_2: DxAnalysisTest.cpp DxSeparationTest.cpp DxAnalysisRealDataTest.cpp
            data_4: DxMetFormulasTest.cpp DxSolarFormulasTest.cpp DxDeriverTest.cpp
            # Derivations through the function table against published values; field downcasts.
            house_1: DxDeriverReferenceTest.cpp
    LIBS DataObjects DataAnalysisReference)
