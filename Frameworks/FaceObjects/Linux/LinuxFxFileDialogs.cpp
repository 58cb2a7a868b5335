// The file dialogs over the platform's navigation dialogs, and the discard-changes sheet over its standard
// caution sheet.
#include "FxFileDialogs.h"

#include "CxDebug.h"
#include "CxLocalize.h"
#include "CxMime.h"
#include "FxWindow.h"
#include "PfAlerts.h"
#include "PfExporters.h"
#include "PfUICodes.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

namespace
{
constexpr CxSint32 kActionCancel = 1;
constexpr CxSint32 kActionDiscardChanges = 8;

const pf::EventTypeSpec kSheetEvents[] = {{pf::kClassCommand, pf::kCommandProcess}};

std::u16string Utf16(const CxString& inText)
{
    const CxUint16* units = inText.GetChars();
    return std::u16string(units, units + inText.Length());
}

std::u16string Localized(const char* inKey)
{
    return Utf16(CxLocalize(CxString::FromUtf8(inKey)));
}

// Exporters' texts are copied up to this many bytes.
constexpr std::size_t kExporterTextBytes = 255;
} // namespace

// ---- Handler -------------------------------------------------------------------------------------------------

FxFileDialogHandler::~FxFileDialogHandler()
{
    if (mDialog != nullptr)
    {
        mDialog->mHandler = nullptr;
        mDialog->mPending = false;
    }
}

void FxFileDialogHandler::BeginDialog(FxFileDialog* inDialog)
{
    CxAssertText(inDialog != nullptr, "inDialog != nil");
    CxAssertText(mDialog == nullptr, "mDialog == nil");
    mDialog = inDialog;
}

void FxFileDialogHandler::EndDialog(FxFileDialog* inDialog)
{
    CxAssertText(mDialog == inDialog, "mDialog == inDialog");
    mDialog = nullptr;
}

// ---- Base ----------------------------------------------------------------------------------------------------

FxFileDialog::FxFileDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : mParent(inParent), mHandler(inHandler), mEventProc(&FxFileDialog::EventProc)
{
    if (mParent != nullptr)
    {
        mParent->Retain();
    }
    pf::NavGetDefaultDialogCreationOptions(&mOptions);
    // No host bundle names the client here.
    mOptions.clientName.clear();
    mOptions.preferenceKey = 1;
    mOptions.modality = mParent != nullptr ? pf::kWindowModalityWindowModal : pf::kWindowModalityAppModal;
    mOptions.parentWindow = mParent != nullptr ? mParent->GetRef() : nullptr;
}

FxFileDialog::~FxFileDialog()
{
    // Deleted by someone while it shows: the handler waits no more.
    if (mPending && mHandler != nullptr)
    {
        mHandler->EndDialog(this);
    }
    mReply.reset();
    if (mDialogRef != nullptr)
    {
        pf::NavDialogDispose(mDialogRef);
    }
    if (mParent != nullptr)
    {
        mParent->Release();
    }
}

void FxFileDialog::Display()
{
    if (mDialogRef == nullptr)
    {
        CxAssertText(false, "mDialogRef != nil");
        return;
    }
    if (mHandler != nullptr)
    {
        mHandler->BeginDialog(this);
        mPending = true;
    }
    // An application-modal run returns after the dialog has gone.
    pf::NavDialogRun(mDialogRef);
}

void FxFileDialog::PopupMenuSelect(pf::NavCBRec* inParams)
{
    if (inParams != nullptr && inParams->menuItem != nullptr)
    {
        mPopupSelection = CxSint32(inParams->menuItem->menuType);
    }
}

void FxFileDialog::EventProc(pf::NavEventCallbackMessage inSelector, pf::NavCBRec* inParams, void* inUserData)
{
    auto* dialog = static_cast<FxFileDialog*>(inUserData);
    CxAssertText(dialog != nullptr, "dialog != nil");
    if (dialog == nullptr || inParams == nullptr)
    {
        return;
    }
    switch (inSelector)
    {
    case pf::kNavCBPopupMenuSelect:
        dialog->PopupMenuSelect(inParams);
        break;
    case pf::kNavCBUserAction:
        dialog->mAction = CxSint32(inParams->userAction);
        dialog->mReply = std::make_unique<pf::NavReplyRecord>();
        pf::NavDialogGetReply(dialog->mDialogRef, dialog->mReply.get());
        break;
    case pf::kNavCBTerminate:
        if (dialog->mHandler != nullptr)
        {
            dialog->mHandler->EndDialog(dialog);
            dialog->mPending = false;
        }
        dialog->Finish();
        delete dialog;
        break;
    default:
        break;
    }
}

CxFolderItem FxFileDialog::GetReplyItem() const
{
    CxAssertText(mReply != nullptr, "mReply != nil");
    pf::AEDesc item;
    std::string path;
    if (mReply == nullptr || pf::AEGetNthDesc(mReply->selection, 1, pf::kTypeWildCard, &item) != pf::kNoErr ||
        pf::AECoerceDescToPath(item, &path) != pf::kNoErr)
    {
        return CxFolderItem();
    }
    return CxFolderItem(CxFileRef{path});
}

// ---- Get file ------------------------------------------------------------------------------------------------

FxGetFileDialog::FxGetFileDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : FxFileDialog(inParent, inHandler), mFilterProc(&FxGetFileDialog::FilterProc)
{
}

void FxGetFileDialog::Display()
{
    if (mDialogRef == nullptr)
    {
        pf::NavCreateChooseFileDialog(&mOptions, mEventProc, mFilterProc, this, &mDialogRef);
    }
    FxFileDialog::Display();
}

void FxGetFileDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishGetFile(this);
    }
}

void FxGetFileDialog::AddType(const CxString& inMime, const CxString& inDescription)
{
    mMimeTypes.push_back(inMime);
    mDescriptions.push_back(inDescription);
}

void FxGetFileDialog::ClearTypes()
{
    mMimeTypes.clear();
    mDescriptions.clear();
}

CxFile FxGetFileDialog::GetFile() const
{
    return GetReplyItem().AsFile();
}

bool FxGetFileDialog::Filter(const pf::AEDesc* inItem, const pf::NavFileOrFolderInfo* inInfo,
                             pf::NavFilterModes inMode) const
{
    std::string path;
    if (inMode != pf::kNavFilteringBrowserList || inItem == nullptr ||
        pf::AECoerceDescToPath(*inItem, &path) != pf::kNoErr)
    {
        return true;
    }
    if (inInfo == nullptr)
    {
        return false;
    }
    if (inInfo->isFolder)
    {
        return true;
    }
    const CxString mime = CxFile(CxFileRef{path}).Mime();
    return std::find(mMimeTypes.begin(), mMimeTypes.end(), mime) != mMimeTypes.end();
}

bool FxGetFileDialog::FilterProc(const pf::AEDesc* inItem, const pf::NavFileOrFolderInfo* inInfo, void* inUserData,
                                 pf::NavFilterModes inMode)
{
    const auto* dialog = static_cast<const FxGetFileDialog*>(inUserData);
    CxAssertText(dialog != nullptr, "dialog != nil");
    return dialog == nullptr || dialog->Filter(inItem, inInfo, inMode);
}

// ---- Put file ------------------------------------------------------------------------------------------------

FxPutFileDialog::FxPutFileDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : FxFileDialog(inParent, inHandler), mBaseName("untitled"), mExtension(".vanedoc")
{
    mOptions.optionFlags = pf::kNavPreserveSaveFileExtension;
    mOptions.saveFileName = u"untitled.vanedoc";
}

void FxPutFileDialog::Display()
{
    if (mDialogRef == nullptr)
    {
        mOptions.popupExtension.clear();
        for (const CxString& description : mDescriptions)
        {
            mOptions.popupExtension.push_back(Utf16(description));
        }
        pf::NavCreatePutFileDialog(&mOptions, pf::FourCC("TEXT"), pf::FourCC("****"), mEventProc, this, &mDialogRef);
        SetFileName(mBaseName, mExtension);
    }
    FxFileDialog::Display();
}

void FxPutFileDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishPutFile(this);
    }
}

void FxPutFileDialog::PopupMenuSelect(pf::NavCBRec* inParams)
{
    FxFileDialog::PopupMenuSelect(inParams);
    const CxString mime = GetMimeType();
    if (mime.Length() == 0)
    {
        CxAssertText(false, "mime != nil");
        return;
    }
    const CxMimeInfo info = CxMimeInfo::FromMime(mime);
    CxAssertText(info.Type() != 0, "info.mType != 0");
    // Only an old extension the name still ends with goes; a name the user changed keeps its end.
    CxString name = GetFileName();
    if (name.EndsWith(mExtension))
    {
        const CxUint32 keep = name.Length() - mExtension.Length();
        name = keep == 0 ? CxString() : name.Substring(0, keep - 1);
    }
    SetFileName(name, info.Extension());
}

void FxPutFileDialog::AddType(const CxString& inMime, const CxString& inDescription)
{
    mMimeTypes.push_back(inMime);
    mDescriptions.push_back(inDescription);
}

void FxPutFileDialog::ClearTypes()
{
    mMimeTypes.clear();
    mDescriptions.clear();
}

void FxPutFileDialog::AddMovieType()
{
    CxMimeInfo("video/quicktime", ".mov", pf::FourCC("TVOD"), pf::FourCC("MooV"), "QuickTime Movie").Register();
    AddType("video/quicktime", "QuickTime Movie");
}

void FxPutFileDialog::AddImageTypes()
{
    std::vector<pf::FourCharCode> seen;
    for (pf::GraphicsExporterRef exporter = pf::FindNextGraphicsExporter(0); exporter != 0;
         exporter = pf::FindNextGraphicsExporter(exporter))
    {
        pf::FourCharCode fileType = 0;
        std::size_t count = 0;
        if (pf::GraphicsExportGetDefaultFileType(exporter, &fileType) != pf::kNoErr ||
            pf::GraphicsExportGetFormatCount(exporter, &count) != pf::kNoErr)
        {
            break;
        }
        for (std::size_t i = 1; i <= count; ++i)
        {
            char mime[kExporterTextBytes];
            char description[kExporterTextBytes];
            std::size_t mimeBytes = 0;
            std::size_t descriptionBytes = 0;
            if (pf::GraphicsExportCopyMime(exporter, i, mime, sizeof mime, &mimeBytes) == pf::kNoErr &&
                pf::GraphicsExportCopyDescription(exporter, i, description, sizeof description, &descriptionBytes) ==
                    pf::kNoErr &&
                std::find(seen.begin(), seen.end(), fileType) == seen.end())
            {
                AddType(CxString::FromUtf8(std::string_view(mime, mimeBytes)),
                        CxString::FromUtf8(std::string_view(description, descriptionBytes)));
                seen.push_back(fileType);
            }
        }
    }
}

CxFolder FxPutFileDialog::GetDestinationFolder() const
{
    return GetReplyItem().AsFolder();
}

void FxPutFileDialog::SetFileName(const CxString& inBase, const CxString& inExtension)
{
    mBaseName = inBase;
    mExtension = inExtension;
    if (mDialogRef != nullptr)
    {
        pf::NavDialogSetSaveFileName(mDialogRef, Utf16(mBaseName + mExtension));
    }
}

CxString FxPutFileDialog::GetFileName() const
{
    if (mDialogRef == nullptr)
    {
        return mBaseName + mExtension;
    }
    const std::u16string name = pf::NavDialogGetSaveFileName(mDialogRef);
    return CxString(reinterpret_cast<const CxUint16*>(name.data()), CxUint32(name.size()));
}

CxString FxPutFileDialog::GetMimeType() const
{
    if (mPopupSelection < 0 || std::size_t(mPopupSelection) >= mMimeTypes.size())
    {
        return CxString();
    }
    return mMimeTypes[std::size_t(mPopupSelection)];
}

void FxPutFileDialog::CompleteSave()
{
    CxAssertText(mReply != nullptr, "mReply != nil");
    if (mReply != nullptr)
    {
        pf::NavCompleteSave(mReply.get(), pf::kNavTranslateInPlace);
    }
}

// ---- Folders, volumes, questions -----------------------------------------------------------------------------

FxChooseFolderDialog::FxChooseFolderDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : FxFileDialog(inParent, inHandler)
{
    pf::NavCreateChooseFolderDialog(&mOptions, mEventProc, nullptr, this, &mDialogRef);
}

void FxChooseFolderDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishChooseFolder(this);
    }
}

CxFolder FxChooseFolderDialog::GetFolder() const
{
    return GetReplyItem().AsFolder();
}

FxChooseVolumeDialog::FxChooseVolumeDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : FxFileDialog(inParent, inHandler)
{
    pf::NavCreateChooseVolumeDialog(&mOptions, mEventProc, nullptr, this, &mDialogRef);
}

void FxChooseVolumeDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishChooseVolume(this);
    }
}

CxFolder FxChooseVolumeDialog::GetVolume() const
{
    return GetReplyItem().AsFolder();
}

FxNewFolderDialog::FxNewFolderDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : FxFileDialog(inParent, inHandler)
{
    pf::NavCreateNewFolderDialog(&mOptions, mEventProc, this, &mDialogRef);
}

void FxNewFolderDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishNewFolder(this);
    }
}

CxFolder FxNewFolderDialog::GetFolder() const
{
    return GetReplyItem().AsFolder();
}

FxAskSaveChangesDialog::FxAskSaveChangesDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : FxFileDialog(inParent, inHandler)
{
    pf::NavCreateAskSaveChangesDialog(&mOptions, pf::kNavSaveChangesClosingDocument, mEventProc, this, &mDialogRef);
}

void FxAskSaveChangesDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishAskSaveChanges(this);
    }
}

FxAskReviewDocumentsDialog::FxAskReviewDocumentsDialog(FxWindow* inParent, FxFileDialogHandler* inHandler,
                                                       CxUint32 inCount)
    : FxFileDialog(inParent, inHandler)
{
    pf::NavCreateAskReviewDocumentsDialog(&mOptions, inCount, mEventProc, this, &mDialogRef);
}

void FxAskReviewDocumentsDialog::Finish()
{
    if (mHandler != nullptr)
    {
        mHandler->OnFinishAskReviewDocuments(this);
    }
}

// ---- Discard-changes sheet -----------------------------------------------------------------------------------

FxAskDiscardChangesDialog::FxAskDiscardChangesDialog(FxWindow* inParent, FxFileDialogHandler* inHandler)
    : mParent(inParent), mHandler(inHandler)
{
    if (mParent != nullptr)
    {
        mParent->Retain();
    }
    pf::AlertStdCFStringAlertParamRec params;
    params.defaultText = Localized("revert");
    params.cancelText = Localized("cancel");
    params.defaultButton = pf::kAlertStdAlertCancelButton;
    if (pf::CreateStandardSheet(pf::kAlertCautionAlert, Localized("revertToSaved"), Localized("revertWillLoseChanges"),
                                &params, &mSheet) != pf::kNoErr)
    {
        mSheet = nullptr;
        return;
    }
    InstallHandler(pf::GetWindowEventTarget(mSheet), kSheetEvents, CxUint32(std::size(kSheetEvents)));
}

FxAskDiscardChangesDialog::~FxAskDiscardChangesDialog()
{
    RemoveHandler();
    if (mSheet != nullptr)
    {
        pf::DisposeStandardSheet(mSheet);
    }
    if (mParent != nullptr)
    {
        mParent->Release();
    }
}

void FxAskDiscardChangesDialog::Display()
{
    if (mSheet != nullptr && mParent != nullptr)
    {
        pf::ShowSheetWindow(mSheet, mParent->GetRef());
    }
}

pf::OSStatus FxAskDiscardChangesDialog::Event(pf::HandlerCallRef, pf::Event& ioEvent)
{
    pf::HICommand command;
    if (ioEvent.Class() == pf::kClassCommand && ioEvent.Kind() == pf::kCommandProcess &&
        ioEvent.GetParam(pf::kParamDirectObject, pf::kTypeHICommand, command) == pf::kNoErr &&
        (command.commandID == pf::kHICommandCancel || command.commandID == pf::kHICommandOK))
    {
        mAction = command.commandID == pf::kHICommandCancel ? kActionCancel : kActionDiscardChanges;
        if (mHandler != nullptr)
        {
            mHandler->OnFinishAskDiscardChanges(this);
        }
    }
    return pf::kEventNotHandled;
}
