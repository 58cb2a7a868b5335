# The graphics exporters' registry.
sky_add_tests(pf_exporters_tests LABEL fx_9 TIMEOUT 30
    SOURCES PfExportersTest.cpp
    LIBS Platform)
# The file dialogs: procedures, references, selections.
sky_add_tests(pf_nav_dialog_tests LABEL fx_9 TIMEOUT 30
    SOURCES PfNavDialogTest.cpp
    LIBS Platform)
