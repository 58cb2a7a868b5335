# The colour panel, its script items, and the drags' pasteboards and images: state only.
sky_add_tests(pf_color_panel_tests LABEL fx_6 TIMEOUT 30
    SOURCES PfColorPanelTest.cpp
    LIBS Platform)
