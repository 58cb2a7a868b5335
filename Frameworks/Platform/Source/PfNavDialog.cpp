// The file dialogs over modal windows and sheets, answered by the script.
#include "PfNavDialog.h"

#include "PfStandIns.h"
#include "PfWindowServerState.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>

namespace pf
{

namespace
{
enum class Kind
{
    kGetFile,
    kPutFile,
    kChooseFolder,
    kChooseVolume,
    kNewFolder,
    kAskSaveChanges,
    kAskReviewDocuments,
};

std::size_t gLive = 0;

// Dialogs not yet disposed: only these are good references.
std::set<NavDialog*>& Open()
{
    static auto* sOpen = new std::set<NavDialog*>;
    return *sOpen;
}

std::vector<NavCompletedSave>& Saves()
{
    static auto* sSaves = new std::vector<NavCompletedSave>;
    return *sSaves;
}

std::string HomePath()
{
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] != 0 ? home : "/";
}

std::string Utf8(const std::u16string& inText)
{
    std::string out;
    for (std::size_t i = 0; i < inText.size(); ++i)
    {
        std::uint32_t c = inText[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < inText.size() && inText[i + 1] >= 0xDC00 && inText[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (inText[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80)
            out += char(c);
        else if (c < 0x800)
            out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        else
            out += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
                    char(0x80 | (c & 0x3F))};
    }
    return out;
}

bool IsFolderPath(const std::string& inPath)
{
    struct stat info;
    return stat(inPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

AEDesc PathDesc(const std::string& inPath)
{
    return AEDesc{kTypeFSRef, inPath};
}
} // namespace

class NavDialog
{
public:
    NavDialog(Kind inKind, const NavDialogCreationOptions& inOptions, NavEventProcPtr inEventProc,
              NavObjectFilterProcPtr inFilter, void* inUserData)
        : mKind(inKind), mOptions(inOptions), mEventProc(inEventProc), mFilter(inFilter), mUserData(inUserData),
          mSaveName(inOptions.saveFileName)
    {
        ++gLive;
        Open().insert(this);
        // Where the dialog starts: the home folder, or the root for volumes.
        mLocation = inKind == Kind::kChooseVolume ? "/" : HomePath();
    }
    ~NavDialog()
    {
        TakeDown();
        Open().erase(this);
        --gLive;
    }

    // Keeps the dialog in memory while its procedures run; a dispose meanwhile takes effect on the way out.
    class Hold
    {
    public:
        explicit Hold(NavDialog* inDialog) : mDialog(inDialog) { ++mDialog->mBusy; }
        ~Hold()
        {
            if (--mDialog->mBusy == 0 && mDialog->mDisposed)
                delete mDialog;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        NavDialog* mDialog;
    };

    OSStatus Run();
    void Dispose()
    {
        if (mDisposed)
            return;
        mDisposed = true;
        Open().erase(this);
        TakeDown();
        if (mBusy == 0)
            delete this;
    }

    Kind mKind;
    NavDialogCreationOptions mOptions;
    NavEventProcPtr mEventProc;
    NavObjectFilterProcPtr mFilter;
    void* mUserData;
    std::u16string mSaveName;
    std::string mLocation;
    std::vector<std::string> mShown;
    AEDescList mSelection;
    NavUserAction mAction = kNavUserActionNone;
    WindowRef mWindow = nullptr;
    TakerRef mTaker = 0;
    bool mRan = false;
    bool mAnswered = false;
    bool mSheet = false;
    bool mModal = false; // its modal loop runs
    bool mDisposed = false;
    int mBusy = 0;

private:
    bool Take(const ScriptItem& inItem);
    // Whether the filter lets the item show; links are followed, a dangling one has no file information.
    bool Shows(const std::string& inPath) const;
    void List(const std::string& inFolder);
    bool MakeFolder();
    void Answer(NavUserAction inAction);
    void Tell(NavEventCallbackMessage inMessage, const NavMenuItemSpec* inMenuItem);
    void Finish();
    void TakeDown()
    {
        // A dialog that goes mid-run ends its loop too.
        if (mModal)
        {
            QuitAppModalLoopForWindow(mWindow);
            mModal = false;
        }
        if (mTaker != 0)
        {
            PopScriptTaker(mTaker);
            mTaker = 0;
        }
        if (mWindow != nullptr && IsValidWindow(mWindow))
        {
            if (mSheet && IsWindowVisible(mWindow))
                HideSheetWindow(mWindow);
            DisposeWindow(mWindow);
        }
        mWindow = nullptr;
    }
};

namespace
{
NavDialog* Check(NavDialogRef inDialog, const char* inCall)
{
    if (Open().count(inDialog) == 0)
    {
        Log(std::string(inCall) + ": bad dialog reference");
        return nullptr;
    }
    return inDialog;
}

OSStatus Create(Kind inKind, const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                NavObjectFilterProcPtr inFilter, void* inUserData, NavDialogRef* outDialog)
{
    if (outDialog == nullptr)
        return kParamErr;
    NavDialogCreationOptions options;
    if (inOptions != nullptr)
        options = *inOptions;
    *outDialog = new NavDialog(inKind, options, inEventProc, inFilter, inUserData);
    return kNoErr;
}

NavUserAction DefaultAction(Kind inKind)
{
    switch (inKind)
    {
    case Kind::kGetFile:
        return kNavUserActionOpen;
    case Kind::kPutFile:
        return kNavUserActionSaveAs;
    case Kind::kChooseFolder:
    case Kind::kChooseVolume:
        return kNavUserActionChoose;
    case Kind::kNewFolder:
        return kNavUserActionNewFolder;
    case Kind::kAskSaveChanges:
        return kNavUserActionSaveChanges;
    case Kind::kAskReviewDocuments:
        return kNavUserActionReviewDocuments;
    }
    return kNavUserActionCancel;
}
} // namespace

bool NavDialog::Shows(const std::string& inPath) const
{
    const AEDesc item = PathDesc(inPath);
    struct stat status;
    NavFileOrFolderInfo info;
    const bool known = stat(inPath.c_str(), &status) == 0;
    info.isFolder = known && S_ISDIR(status.st_mode);
    return mFilter == nullptr || mFilter(&item, known ? &info : nullptr, mUserData, kNavFilteringBrowserList);
}

void NavDialog::List(const std::string& inFolder)
{
    mLocation = inFolder;
    mShown.clear();
    DIR* folder = opendir(inFolder.c_str());
    if (folder == nullptr)
    {
        Log("nav: cannot list " + inFolder + ": " + std::strerror(errno));
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(folder))
    {
        // Invisible items are not listed.
        const std::string name = entry->d_name;
        if (name[0] != '.')
            names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    const std::string prefix = inFolder == "/" ? "/" : inFolder + "/";
    for (const std::string& name : names)
    {
        if (Shows(prefix + name))
            mShown.push_back(name);
    }
}

bool NavDialog::MakeFolder()
{
    if (mSelection.empty())
    {
        const std::u16string name = mSaveName.empty() ? u"untitled folder" : mSaveName;
        mSelection.push_back(PathDesc((mLocation == "/" ? "" : mLocation) + "/" + Utf8(name)));
    }
    const std::string& path = mSelection.front().data;
    if (mkdir(path.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolderPath(path)))
    {
        Log("nav: cannot make the folder " + path + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

bool NavDialog::Take(const ScriptItem& inItem)
{
    if (mAnswered)
        return false;
    switch (inItem.kind)
    {
    case ScriptKind::kNavPath:
        if (mKind == Kind::kGetFile)
        {
            if (IsFolderPath(inItem.path))
            {
                List(inItem.path);
                mSelection.clear();
            }
            else if (Shows(inItem.path))
            {
                mSelection = {PathDesc(inItem.path)};
            }
            else
            {
                Log("nav: " + inItem.path + " is not shown");
            }
        }
        else if (mKind != Kind::kAskSaveChanges && mKind != Kind::kAskReviewDocuments)
        {
            mSelection = {PathDesc(inItem.path)};
        }
        else
        {
            return false;
        }
        return true;
    case ScriptKind::kNavName:
        if (mKind != Kind::kPutFile && mKind != Kind::kNewFolder)
            return false;
        mSaveName = inItem.text;
        return true;
    case ScriptKind::kNavPopup:
        if (mKind != Kind::kPutFile)
            return false;
        if (inItem.item < 0 || std::size_t(inItem.item) >= mOptions.popupExtension.size())
        {
            Log("nav: popup item " + std::to_string(inItem.item) + " is not in the list");
            return true;
        }
        {
            NavMenuItemSpec choice;
            choice.menuType = std::uint32_t(inItem.item);
            choice.menuItemName = mOptions.popupExtension[std::size_t(inItem.item)];
            Tell(kNavCBPopupMenuSelect, &choice);
        }
        return true;
    case ScriptKind::kAccept:
        // Open needs a file, as its button does.
        if (mKind == Kind::kGetFile && mSelection.empty())
        {
            Log("nav: nothing selected to open");
            return true;
        }
        if (mKind == Kind::kNewFolder && !MakeFolder())
            return true;
        Answer(DefaultAction(mKind));
        return true;
    case ScriptKind::kCancel:
        Answer(kNavUserActionCancel);
        return true;
    case ScriptKind::kNavDiscard:
        if (mKind == Kind::kAskSaveChanges)
            Answer(kNavUserActionDontSaveChanges);
        else if (mKind == Kind::kAskReviewDocuments)
            Answer(kNavUserActionDiscardDocuments);
        else
            return false;
        return true;
    default:
        return false;
    }
}

void NavDialog::Tell(NavEventCallbackMessage inMessage, const NavMenuItemSpec* inMenuItem)
{
    if (mEventProc == nullptr)
        return;
    NavCBRec params;
    params.context = this;
    params.window = mWindow;
    params.userAction = mAction;
    params.menuItem = inMenuItem;
    mEventProc(inMessage, &params, mUserData);
}

void NavDialog::Answer(NavUserAction inAction)
{
    mAnswered = true;
    mAction = inAction;
    if (mSheet)
    {
        Finish();
    }
    else if (mModal)
    {
        QuitAppModalLoopForWindow(mWindow);
        mModal = false;
    }
}

// The window goes before the procedure hears the action, then terminate.
void NavDialog::Finish()
{
    TakeDown();
    Tell(kNavCBUserAction, nullptr);
    if (!mDisposed)
        Tell(kNavCBTerminate, nullptr);
}

OSStatus NavDialog::Run()
{
    if (mRan)
    {
        Log("NavDialogRun: the dialog has run");
        return kParamErr;
    }
    mRan = true;
    Hold hold(this);
    InstallInputSource();
    if (mKind == Kind::kGetFile)
        List(mLocation);
    mTaker = PushScriptTaker(
        [this](const ScriptItem& inItem)
        {
            Hold hold(this);
            return Take(inItem);
        });
    const WindowRef parent = mOptions.parentWindow;
    if (mOptions.modality == kWindowModalityWindowModal && parent != nullptr && IsValidWindow(parent) &&
        IsWindowVisible(parent))
    {
        mWindow = CreateWindow(kSheetWindowClass, 0, Rect{0, 0, 500, 360});
        if (ShowSheetWindow(mWindow, parent) == kNoErr)
        {
            mSheet = true;
            return kNoErr;
        }
        DisposeWindow(mWindow);
    }
    mWindow = CreateWindow(kMovableModalWindowClass, 0, Rect{470, 240, 500, 360});
    ShowWindow(mWindow);
    mModal = true;
    const OSStatus status = RunAppModalLoopForWindow(mWindow);
    mModal = false;
    if (status != kNoErr || !mAnswered)
        mAction = kNavUserActionCancel;
    if (!mDisposed)
        Finish();
    return kNoErr;
}

OSStatus AEGetNthDesc(const AEDescList& inList, std::int32_t inIndex, DescType inWanted, AEDesc* outDesc)
{
    if (outDesc == nullptr)
        return kParamErr;
    if (inIndex < 1 || std::size_t(inIndex) > inList.size())
        return kErrAEDescNotFound;
    const AEDesc& desc = inList[std::size_t(inIndex) - 1];
    if (inWanted != kTypeWildCard && inWanted != desc.descriptorType)
        return kErrAECoercionFail;
    *outDesc = desc;
    return kNoErr;
}

OSStatus AECoerceDescToPath(const AEDesc& inDesc, std::string* outPath)
{
    if (outPath == nullptr)
        return kParamErr;
    if (inDesc.descriptorType != kTypeFSRef || inDesc.data.empty())
        return kErrAECoercionFail;
    *outPath = inDesc.data;
    return kNoErr;
}

OSStatus NavGetDefaultDialogCreationOptions(NavDialogCreationOptions* outOptions)
{
    if (outOptions == nullptr)
        return kParamErr;
    *outOptions = NavDialogCreationOptions();
    return kNoErr;
}

OSStatus NavCreateChooseFileDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                   NavObjectFilterProcPtr inFilterProc, void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kGetFile, inOptions, inEventProc, inFilterProc, inUserData, outDialog);
}

OSStatus NavCreatePutFileDialog(const NavDialogCreationOptions* inOptions, FourCharCode, FourCharCode,
                                NavEventProcPtr inEventProc, void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kPutFile, inOptions, inEventProc, nullptr, inUserData, outDialog);
}

OSStatus NavCreateChooseFolderDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                     NavObjectFilterProcPtr inFilterProc, void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kChooseFolder, inOptions, inEventProc, inFilterProc, inUserData, outDialog);
}

OSStatus NavCreateChooseVolumeDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                     NavObjectFilterProcPtr inFilterProc, void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kChooseVolume, inOptions, inEventProc, inFilterProc, inUserData, outDialog);
}

OSStatus NavCreateNewFolderDialog(const NavDialogCreationOptions* inOptions, NavEventProcPtr inEventProc,
                                  void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kNewFolder, inOptions, inEventProc, nullptr, inUserData, outDialog);
}

OSStatus NavCreateAskSaveChangesDialog(const NavDialogCreationOptions* inOptions, std::uint32_t,
                                       NavEventProcPtr inEventProc, void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kAskSaveChanges, inOptions, inEventProc, nullptr, inUserData, outDialog);
}

OSStatus NavCreateAskReviewDocumentsDialog(const NavDialogCreationOptions* inOptions, std::uint32_t,
                                           NavEventProcPtr inEventProc, void* inUserData, NavDialogRef* outDialog)
{
    return Create(Kind::kAskReviewDocuments, inOptions, inEventProc, nullptr, inUserData, outDialog);
}

OSStatus NavDialogRun(NavDialogRef inDialog)
{
    NavDialog* dialog = Check(inDialog, "NavDialogRun");
    return dialog != nullptr ? dialog->Run() : kParamErr;
}

void NavDialogDispose(NavDialogRef inDialog)
{
    if (NavDialog* dialog = Check(inDialog, "NavDialogDispose"))
        dialog->Dispose();
}

OSStatus NavDialogGetReply(NavDialogRef inDialog, NavReplyRecord* outReply)
{
    NavDialog* dialog = Check(inDialog, "NavDialogGetReply");
    if (dialog == nullptr || outReply == nullptr)
        return kParamErr;
    *outReply = NavReplyRecord();
    if (dialog->mAction == kNavUserActionNone || dialog->mAction == kNavUserActionCancel)
        return kUserCanceledErr;
    outReply->validRecord = true;
    outReply->selection = dialog->mSelection;
    if (dialog->mKind == Kind::kPutFile)
    {
        if (outReply->selection.empty())
            outReply->selection.push_back(PathDesc(dialog->mLocation));
        outReply->saveFileName = dialog->mSaveName;
    }
    else if (dialog->mKind == Kind::kChooseFolder || dialog->mKind == Kind::kChooseVolume)
    {
        if (outReply->selection.empty())
            outReply->selection.push_back(PathDesc(dialog->mLocation));
    }
    return kNoErr;
}

OSStatus NavDisposeReply(NavReplyRecord* ioReply)
{
    if (ioReply == nullptr)
        return kParamErr;
    *ioReply = NavReplyRecord();
    return kNoErr;
}

NavUserAction NavDialogGetUserAction(NavDialogRef inDialog)
{
    NavDialog* dialog = Check(inDialog, "NavDialogGetUserAction");
    return dialog != nullptr ? dialog->mAction : kNavUserActionNone;
}

std::u16string NavDialogGetSaveFileName(NavDialogRef inDialog)
{
    NavDialog* dialog = Check(inDialog, "NavDialogGetSaveFileName");
    return dialog != nullptr ? dialog->mSaveName : std::u16string();
}

OSStatus NavDialogSetSaveFileName(NavDialogRef inDialog, const std::u16string& inName)
{
    NavDialog* dialog = Check(inDialog, "NavDialogSetSaveFileName");
    if (dialog == nullptr)
        return kParamErr;
    dialog->mSaveName = inName;
    return kNoErr;
}

WindowRef NavDialogGetWindow(NavDialogRef inDialog)
{
    NavDialog* dialog = Check(inDialog, "NavDialogGetWindow");
    return dialog != nullptr ? dialog->mWindow : nullptr;
}

OSStatus NavCompleteSave(const NavReplyRecord* inReply, std::uint32_t)
{
    if (inReply == nullptr || !inReply->validRecord)
        return kParamErr;
    AEDesc folder;
    std::string path;
    if (AEGetNthDesc(inReply->selection, 1, kTypeWildCard, &folder) != kNoErr ||
        AECoerceDescToPath(folder, &path) != kNoErr)
        return kParamErr;
    Saves().push_back(NavCompletedSave{path, inReply->saveFileName});
    return kNoErr;
}

std::vector<std::string> NavShownItems(NavDialogRef inDialog)
{
    NavDialog* dialog = Check(inDialog, "NavShownItems");
    return dialog != nullptr ? dialog->mShown : std::vector<std::string>();
}

const NavDialogCreationOptions* NavDialogGetOptions(NavDialogRef inDialog)
{
    NavDialog* dialog = Check(inDialog, "NavDialogGetOptions");
    return dialog != nullptr ? &dialog->mOptions : nullptr;
}

std::size_t LiveNavDialogCount()
{
    return gLive;
}

const std::vector<NavCompletedSave>& NavCompletedSaves()
{
    return Saves();
}

void ResetNavDialogsForTesting()
{
    Saves().clear();
    // The server has disposed of every window and forgotten every taker.
    for (NavDialog* dialog : Open())
    {
        dialog->mWindow = nullptr;
        dialog->mTaker = 0;
    }
}

} // namespace pf
