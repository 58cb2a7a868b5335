# Derivations through the function table against published values; field downcasts.
sky_add_tests(house_1_data_tests LABEL house_1
    SOURCES DxDeriverReferenceTest.cpp
    LIBS DataObjects)
