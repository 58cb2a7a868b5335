# The graphics exporters' registry.
sky_add_tests(pf_exporters_tests LABEL fx_9 TIMEOUT 30
    SOURCES PfExportersTest.cpp
    LIBS Platform)
