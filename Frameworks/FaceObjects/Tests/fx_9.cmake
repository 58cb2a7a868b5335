# Drags, their colours and the clipboard, through the public headers.
sky_add_tests(fx_drag_tests LABEL fx_9 TIMEOUT 60
    SOURCES FxDragTest.cpp
    LIBS FaceObjects)
# The discard-changes sheet, its texts from the bundle.
sky_add_tests(fx_file_dialogs_tests TIMEOUT 60
    SOURCES fx_9: FxFileDialogsTest.cpp fix_3: FxFileDialogHandlerTest.cpp fix_3,fx_9,qa_3: FxDiscardSheetEndTest.cpp
    LIBS FaceObjects)
