# Printing: the page layout on the print service's record, the dialogs' flows, and real PDF read by poppler.
sky_add_tests(fx_printing_tests LABEL fx_5 TIMEOUT 120
    SOURCES FxPrintingTest.cpp
    LIBS FaceObjects GraphicObjectsGL)
