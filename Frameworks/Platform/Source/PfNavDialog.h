// The file dialogs: open a file, save one (with a format popup), choose a folder or a volume, make a folder, ask
// to save changes to one document or several. They answer the script's nav-path, nav-name, nav-popup, accept,
// cancel and nav-discard items, and tell their event procedure as the platform's would. Main thread only.
// Frameworks/Platform/README.md
#pragma once

#include "PfTypes.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pf
{

class NavDialog;
using NavDialogRef = NavDialog*;

constexpr std::uint32_t kWindowModalityNone = 0;
constexpr std::uint32_t kWindowModalityAppModal = 2;
constexpr std::uint32_t kWindowModalityWindowModal = 3;

// Option flags.
constexpr std::uint32_t kNavDontAddTranslateItems = 0x4;
constexpr std::uint32_t kNavAllowStationery = 0x20;
constexpr std::uint32_t kNavAllowPreviews = 0x40;
constexpr std::uint32_t kNavAllowMultipleFiles = 0x80;
constexpr std::uint32_t kNavPreserveSaveFileExtension = 0x20000;
constexpr std::uint32_t kNavDefaultNavDlogOptions =
    kNavDontAddTranslateItems | kNavAllowStationery | kNavAllowPreviews | kNavAllowMultipleFiles;

// The user's actions.
using NavUserAction = std::uint32_t;
constexpr NavUserAction kNavUserActionNone = 0;
constexpr NavUserAction kNavUserActionCancel = 1;
constexpr NavUserAction kNavUserActionOpen = 2;
constexpr NavUserAction kNavUserActionSaveAs = 3;
constexpr NavUserAction kNavUserActionChoose = 4;
constexpr NavUserAction kNavUserActionNewFolder = 5;
constexpr NavUserAction kNavUserActionSaveChanges = 6;
constexpr NavUserAction kNavUserActionDontSaveChanges = 7;
constexpr NavUserAction kNavUserActionDiscardChanges = 8;
constexpr NavUserAction kNavUserActionReviewDocuments = 9;
constexpr NavUserAction kNavUserActionDiscardDocuments = 10;

// The event procedure's messages; the stand-in sends these three.
using NavEventCallbackMessage = std::int32_t;
constexpr NavEventCallbackMessage kNavCBTerminate = 3;
constexpr NavEventCallbackMessage kNavCBPopupMenuSelect = 8;
constexpr NavEventCallbackMessage kNavCBUserAction = 12;

// For a save-changes dialog.
constexpr std::uint32_t kNavSaveChangesClosingDocument = 1;

// For NavCompleteSave.
constexpr std::uint32_t kNavTranslateInPlace = 0;

constexpr OSStatus kUserCanceledErr = -128;
constexpr OSStatus kErrAECoercionFail = -1700;
constexpr OSStatus kErrAEDescNotFound = -1701;

using DescType = FourCharCode;
constexpr DescType kTypeNull = FourCC("null");
constexpr DescType kTypeWildCard = FourCC("****");
constexpr DescType kTypeFSRef = FourCC("fsrf");

// An item of a selection: an 'fsrf' carries a UTF-8 path.
struct AEDesc
{
    DescType descriptorType = kTypeNull;
    std::string data;
};
using AEDescList = std::vector<AEDesc>;
// inIndex counts from 1; kTypeWildCard takes any type. -1701 past the end, -1700 for another type.
OSStatus AEGetNthDesc(const AEDescList& inList, std::int32_t inIndex, DescType inWanted, AEDesc* outDesc);
// The path of an 'fsrf' with one; anything else is -1700.
OSStatus AECoerceDescToPath(const AEDesc& inDesc, std::string* outPath);

struct NavDialogCreationOptions
{
    std::uint16_t version = 0;
    std::uint32_t optionFlags = kNavDefaultNavDlogOptions;
    std::u16string clientName;
    std::u16string windowTitle;
    std::u16string saveFileName;
    std::uint32_t preferenceKey = 0;
    std::vector<std::u16string> popupExtension; // the format popup's item titles
    std::uint32_t modality = kWindowModalityAppModal;
    WindowRef parentWindow = nullptr;
};

struct NavMenuItemSpec
{
    std::uint16_t version = 0;
    FourCharCode menuCreator = 0;
    std::uint32_t menuType = 0; // the item's index in the popup list, from 0
    std::u16string menuItemName;
};

struct NavCBRec
{
    NavDialogRef context = nullptr;
    WindowRef window = nullptr;
    NavUserAction userAction = kNavUserActionNone;
    const NavMenuItemSpec* menuItem = nullptr; // popup-select only
};

using NavEventProcPtr = void (*)(NavEventCallbackMessage inSelector, NavCBRec* inParams, void* inUserData);

// What the filter is asked about: a listed item's kind, with links followed.
struct NavFileOrFolderInfo
{
    bool isFolder = false;
};

using NavFilterModes = std::uint16_t;
constexpr NavFilterModes kNavFilteringBrowserList = 0;
constexpr NavFilterModes kNavFilteringFavorites = 1;
constexpr NavFilterModes kNavFilteringRecents = 2;
constexpr NavFilterModes kNavFilteringShortCutVolumes = 3;
constexpr NavFilterModes kNavFilteringLocationPopup = 4;

// inInfo is null for an item with no file information (a dangling link). True shows the item.
using NavObjectFilterProcPtr = bool (*)(const AEDesc* inItem, const NavFileOrFolderInfo* inInfo, void* inUserData,
                                        NavFilterModes inMode);

struct NavReplyRecord
{
    bool validRecord = false;
    bool replacing = false;
    AEDescList selection;
    std::u16string saveFileName;
};

OSStatus NavGetDefaultDialogCreationOptions(NavDialogCreationOptions* outOptions);

// Each makes a dialog that is not yet shown; inUserData goes to the procedures.
OSStatus NavCreateChooseFileDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                   NavObjectFilterProcPtr inFilterProc, void* inUserData, NavDialogRef* outDialog);
OSStatus NavCreatePutFileDialog(const NavDialogCreationOptions* inOptions, FourCharCode inFileType,
                                FourCharCode inFileCreator, NavEventProcPtr inEventProc, void* inUserData,
                                NavDialogRef* outDialog);
OSStatus NavCreateChooseFolderDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                     NavObjectFilterProcPtr inFilterProc, void* inUserData, NavDialogRef* outDialog);
OSStatus NavCreateChooseVolumeDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                     NavObjectFilterProcPtr inFilterProc, void* inUserData, NavDialogRef* outDialog);
OSStatus NavCreateNewFolderDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                  void* inUserData, NavDialogRef* outDialog);
OSStatus NavCreateAskSaveChangesDialog(const NavDialogCreationOptions* inOptions, std::uint32_t inAction,
                                       NavEventProcPtr inEventProc, void* inUserData, NavDialogRef* outDialog);
OSStatus NavCreateAskReviewDocumentsDialog(const NavDialogCreationOptions* inOptions, std::uint32_t inDocumentCount,
                                           NavEventProcPtr inEventProc, void* inUserData, NavDialogRef* outDialog);

// Window-modal with a shown parent: a sheet on it, answered later from the script's delivery; the dialog stays up
// while the script is dry. Otherwise application-modal: runs the loop until the answer, a dry script cancelling,
// and returns after the terminate message. A dialog runs once.
OSStatus NavDialogRun(NavDialogRef inDialog);
// Safe inside the dialog's own procedures: it goes once they return.
void NavDialogDispose(NavDialogRef inDialog);

// The answer once the user acted: cancelled, -128 with an invalid record and no selection.
OSStatus NavDialogGetReply(NavDialogRef inDialog, NavReplyRecord* outReply);
OSStatus NavDisposeReply(NavReplyRecord* ioReply);
NavUserAction NavDialogGetUserAction(NavDialogRef inDialog);
std::u16string NavDialogGetSaveFileName(NavDialogRef inDialog);
OSStatus NavDialogSetSaveFileName(NavDialogRef inDialog, const std::u16string& inName);
// The dialog's window or sheet while it shows, else null.
WindowRef NavDialogGetWindow(NavDialogRef inDialog);
// Records the save (NavCompletedSaves); writes nothing.
OSStatus NavCompleteSave(const NavReplyRecord* inReply, std::uint32_t inHowToTranslate);

// ---- Tests ---------------------------------------------------------------------------------------------------

// The names a get-file dialog lists now, sorted; empty for other kinds.
std::vector<std::string> NavShownItems(NavDialogRef inDialog);
const NavDialogCreationOptions* NavDialogGetOptions(NavDialogRef inDialog);
std::size_t LiveNavDialogCount();
struct NavCompletedSave
{
    std::string folder;
    std::u16string name;
};
const std::vector<NavCompletedSave>& NavCompletedSaves();
// Forgets the recorded saves, and the windows and takers of dialogs still open. ResetWindowServerForTesting
// calls it.
void ResetNavDialogsForTesting();

} // namespace pf
