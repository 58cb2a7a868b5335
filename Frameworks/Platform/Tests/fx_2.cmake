# Layers, their host driver and the native menu, as the plug-in frame and the test browser use them.
sky_add_tests(pf_layer_tests LABEL fx_2 TIMEOUT 60
    SOURCES PfLayerTest.cpp
    LIBS Platform)
