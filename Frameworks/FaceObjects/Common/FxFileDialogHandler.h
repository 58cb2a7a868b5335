// Hears the end of a file dialog, one hook per dialog kind. Every FxWindow is one; the hooks do nothing here.
#pragma once

class FxAskReviewDocumentsDialog;
class FxAskSaveChangesDialog;
class FxAskDiscardChangesDialog;
class FxGetFileDialog;
class FxPutFileDialog;
class FxChooseFolderDialog;
class FxChooseVolumeDialog;
class FxNewFolderDialog;
class FxFileDialog;

class FxFileDialogHandler
{
public:
    FxFileDialogHandler() = default;
    // A dialog still up outlives its handler: it is told to call nobody at its end.
    virtual ~FxFileDialogHandler();
    FxFileDialogHandler(const FxFileDialogHandler&) = delete;
    FxFileDialogHandler& operator=(const FxFileDialogHandler&) = delete;

    virtual void OnFinishAskReviewDocuments(FxAskReviewDocumentsDialog*) {}
    virtual void OnFinishAskSaveChanges(FxAskSaveChangesDialog*) {}
    virtual void OnFinishAskDiscardChanges(FxAskDiscardChangesDialog*) {}
    virtual void OnFinishGetFile(FxGetFileDialog*) {}
    virtual void OnFinishPutFile(FxPutFileDialog*) {}
    virtual void OnFinishChooseFolder(FxChooseFolderDialog*) {}
    virtual void OnFinishChooseVolume(FxChooseVolumeDialog*) {}
    virtual void OnFinishNewFolder(FxNewFolderDialog*) {}

    // The one pending dialog: set when it shows, cleared just before its hook.
    void BeginDialog(FxFileDialog* inDialog);
    void EndDialog(FxFileDialog* inDialog);
    bool IsFileDialogPending() const { return mDialog != nullptr; }

private:
    FxFileDialog* mDialog = nullptr;
};
