// The file dialogs over the platform's navigation dialogs, and the caution sheet that asks whether to discard a
// document's changes and revert to the saved one. Each tells its handler when it ends, through the hook of its kind.
#pragma once

#include "CxFile.h"
#include "CxString.h"
#include "FxEventHandler.h"
#include "FxFileDialogHandler.h"
#include "PfNavDialog.h"
#include "PfWindowServer.h"

#include <memory>
#include <vector>

class FxWindow;

// Window-modal on a parent, else application-modal. After its end it tells the handler (Finish) and deletes
// itself: a handler reads it inside its hook and never keeps it.
class FxFileDialog
{
public:
    // Retains the parent until deleted; either may be null.
    FxFileDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    virtual ~FxFileDialog();
    FxFileDialog(const FxFileDialog&) = delete;
    FxFileDialog& operator=(const FxFileDialog&) = delete;

    virtual void Display();
    virtual void Finish() {}
    virtual void PopupMenuSelect(pf::NavCBRec* inParams);

    // 0 until the user acts, then the platform's action number.
    CxSint32 Action() const { return mAction; }
    CxSint32 PopupSelection() const { return mPopupSelection; }
    pf::NavDialogRef GetDialogRef() const { return mDialogRef; }
    const pf::NavDialogCreationOptions& GetCreationOptions() const { return mOptions; }

protected:
    // The reply's first item; an empty one when there is none.
    CxFolderItem GetReplyItem() const;

    pf::NavDialogCreationOptions mOptions;
    pf::NavDialogRef mDialogRef = nullptr;
    FxWindow* mParent;
    FxFileDialogHandler* mHandler;
    CxSint32 mAction = 0;
    CxSint32 mPopupSelection = 0;
    pf::NavEventProcPtr mEventProc;
    std::unique_ptr<pf::NavReplyRecord> mReply; // made when the user acts
    bool mPending = false;                      // the handler waits for it

private:
    friend class FxFileDialogHandler;
    static void EventProc(pf::NavEventCallbackMessage inSelector, pf::NavCBRec* inParams, void* inUserData);
};

// Opens a file of the added MIME types; with none, only folders show.
class FxGetFileDialog : public FxFileDialog
{
public:
    FxGetFileDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);

    void Display() override;
    void Finish() override;

    void AddType(const CxString& inMime, const CxString& inDescription);
    void ClearTypes();
    CxFile GetFile() const;
    // Whether the list shows the item; inInfo is null when the item has no file information.
    bool Filter(const pf::AEDesc* inItem, const pf::NavFileOrFolderInfo* inInfo, pf::NavFilterModes inMode) const;

private:
    static bool FilterProc(const pf::AEDesc* inItem, const pf::NavFileOrFolderInfo* inInfo, void* inUserData,
                           pf::NavFilterModes inMode);

    pf::NavObjectFilterProcPtr mFilterProc;
    std::vector<CxString> mMimeTypes;
    std::vector<CxString> mDescriptions;
};

// Saves a file under a name whose extension follows the format chosen in the popup.
class FxPutFileDialog : public FxFileDialog
{
public:
    FxPutFileDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);

    void Display() override;
    void Finish() override;
    void PopupMenuSelect(pf::NavCBRec* inParams) override;

    void AddType(const CxString& inMime, const CxString& inDescription);
    void ClearTypes();
    // Registers the movie format and offers it.
    void AddMovieType();
    // Offers each graphics exporter's file type once.
    void AddImageTypes();

    CxFolder GetDestinationFolder() const;
    void SetFileName(const CxString& inBase, const CxString& inExtension);
    CxString GetFileName() const;
    // "" when the popup's selection is not in the list.
    CxString GetMimeType() const;
    void CompleteSave();

private:
    std::vector<CxString> mMimeTypes;
    std::vector<CxString> mDescriptions;
    CxString mBaseName;
    CxString mExtension;
};

class FxChooseFolderDialog : public FxFileDialog
{
public:
    FxChooseFolderDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    void Finish() override;
    CxFolder GetFolder() const;
};

class FxChooseVolumeDialog : public FxFileDialog
{
public:
    FxChooseVolumeDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    void Finish() override;
    CxFolder GetVolume() const;
};

class FxNewFolderDialog : public FxFileDialog
{
public:
    FxNewFolderDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    void Finish() override;
    CxFolder GetFolder() const;
};

// Save changes (6), don't save (7) or cancel (1), for a document being closed.
class FxAskSaveChangesDialog : public FxFileDialog
{
public:
    FxAskSaveChangesDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    void Finish() override;
};

// Go through the documents (9), discard them (10) or cancel (1).
class FxAskReviewDocumentsDialog : public FxFileDialog
{
public:
    FxAskReviewDocumentsDialog(FxWindow* inParent, FxFileDialogHandler* inHandler, CxUint32 inCount);
    void Finish() override;
};

class FxAskDiscardChangesDialog : public FxEventHandler
{
public:
    // Retains the parent until deleted; the owner deletes the dialog.
    FxAskDiscardChangesDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    ~FxAskDiscardChangesDialog() override;

    void Display();
    // 0 until answered, then 1 (cancel) or 8 (discard changes).
    CxSint32 Action() const { return mAction; }
    pf::WindowRef GetSheet() const { return mSheet; }

    // Takes the answer and passes the event on, so the sheet closes.
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

private:
    FxWindow* mParent;
    FxFileDialogHandler* mHandler;
    CxSint32 mAction = 0;
    pf::WindowRef mSheet = nullptr;
};
