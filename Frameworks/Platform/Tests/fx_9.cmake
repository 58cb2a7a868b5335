# The graphics exporters' registry.
sky_add_tests(pf_exporters_tests LABEL fx_9 TIMEOUT 30
    SOURCES PfExportersTest.cpp
    LIBS Platform)
# The file dialogs: procedures, references, selections.
sky_add_tests(pf_nav_dialog_tests TIMEOUT 30
    SOURCES fx_9: PfNavDialogTest.cpp fx_9,qa_4: PfNavDialogStackTest.cpp
    LIBS Platform)
