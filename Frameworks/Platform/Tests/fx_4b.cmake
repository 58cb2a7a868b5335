# The dialog stand-ins' script items and takers, icon images, regions and the font panel's style: state only.
sky_add_tests(pf_stand_ins_tests LABEL fx_4b TIMEOUT 30
    SOURCES PfStandInsTest.cpp
    LIBS Platform)
