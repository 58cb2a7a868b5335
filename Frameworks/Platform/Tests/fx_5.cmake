# The print dialogs' answers to scripts.
sky_add_tests(pf_print_tests LABEL fx_5 TIMEOUT 30
    SOURCES PfPrintTest.cpp
    LIBS Platform)
