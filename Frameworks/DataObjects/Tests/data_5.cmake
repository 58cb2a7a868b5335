# Durations in units that are not durations; a second load of the unit table while handles live.
sky_add_tests(data_5_units_tests LABEL data_5
    SOURCES DxUnitMistakesTest.cpp
    LIBS DataObjects)
