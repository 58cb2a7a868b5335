#include "VaneCacheDialog.h"

#include "CxDate.h"
#include "CxDebug.h"
#include "CxError.h"
#include "CxLocalize.h"
#include "CxPreferences.h"
#include "CxSystem.h"
#include "DxManager.h"
#include "PfTypes.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace
{

namespace fs = std::filesystem;

void ReportFailure(const CxString& inPath)
{
    const std::string line = "Failed on: " + inPath.AsUtf8();
    _CxDebugOut(__FILE__, __LINE__, "VaneCacheFolders", line.c_str());
}

bool IsLink(const std::string& inPath)
{
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(inPath, error));
}

} // namespace

// ---- CacheFolderItem -----------------------------------------------------------------------------------------

CacheFolderItem::CacheFolderItem(const CxFolderItem& inItem, CacheFolderItem* inParent, CxUint32 inId)
    : CxFolderItem(inItem), mLabel(inItem.Name()), mParent(inParent), mId(inId)
{
}

// ---- VaneCacheFolders ----------------------------------------------------------------------------------------

VaneCacheFolders::~VaneCacheFolders() = default;

CacheFolderItem* VaneCacheFolders::Find(CxUint32 inItem) const
{
    const auto found = mIds.find(inItem);
    return found != mIds.end() ? found->second : nullptr;
}

void VaneCacheFolders::ListChildren(CxUint32 inContainer, FxHierarchy* inHierarchy)
{
    if (inContainer == 0)
    {
        if (HasRoot())
            AddFolderItems(0, mRoot, inHierarchy);
        return;
    }
    CacheFolderItem* item = Find(inContainer);
    if (item == nullptr || !item->IsFolder() || inHierarchy == nullptr)
        return;
    CxFolder folder = item->AsFolder();
    AddFolderItems(inContainer, folder, inHierarchy);
}

bool VaneCacheFolders::IsParent(CxUint32 inItem)
{
    const CacheFolderItem* item = Find(inItem);
    return item != nullptr && item->IsFolder();
}

CxString VaneCacheFolders::GetLabel(CxUint32 inItem)
{
    const CacheFolderItem* item = Find(inItem);
    return item != nullptr ? item->Label() : CxString();
}

void VaneCacheFolders::AddFolderItems(CxUint32 inContainer, CxFolder& inFolder, FxHierarchy* inHierarchy)
{
    std::vector<CxFolderItem> contents;
    try
    {
        contents = inFolder.Contents();
    }
    catch (const CxError&)
    {
        // A folder that went or cannot be read lists nothing.
        return;
    }
    CacheFolderItem* parent = Find(inContainer);
    for (const CxFolderItem& entry : contents)
    {
        const CxString name = entry.Name();
        if (name.CompareNoCase("info") == 0 || name.CompareNoCase(".DS_Store") == 0)
            continue;
        CxString label = name;
        if (parent != nullptr && parent->Parent() == nullptr)
        {
            const CxSint16 month = name.AsSint16();
            if (month >= 1 && month <= 12)
                label = name + " - " + CxDate(2000, month, 1, 0, 0, 0, 0).AsString("%B", CxSint32(0));
        }
        if (name.CompareNoCase("kdf") == 0)
            label = "Korvel Data Files";

        // By the path's bytes: two names that differ only in bytes that are no UTF-8 read as one text.
        const std::string& path = entry.GetRef().mPath;
        auto found = mItems.find(path);
        if (found == mItems.end())
        {
            auto item = std::make_unique<CacheFolderItem>(entry, parent, mNextId++);
            item->SetLabel(label);
            mIds[item->Id()] = item.get();
            found = mItems.emplace(path, std::move(item)).first;
        }
        if (inHierarchy != nullptr)
            inHierarchy->AddItem(inContainer, found->second->Id());
    }
}

std::string VaneCacheFolders::CanonicalRoot() const
{
    if (!HasRoot())
        return std::string();
    std::error_code error;
    const fs::path root = fs::canonical(mRoot.GetRef().mPath, error);
    return error ? std::string() : root.string();
}

bool VaneCacheFolders::IsInsideRoot(const std::string& inPath, const std::string& inRoot)
{
    if (inRoot.empty() || inPath.empty())
        return false;
    const fs::path path(inPath);
    std::error_code error;
    const fs::path parent = fs::canonical(path.parent_path(), error);
    if (error || !path.has_filename())
        return false;
    const std::string inside = inRoot == "/" ? inRoot : inRoot + "/";
    const std::string candidate = (parent / path.filename()).string();
    return candidate.size() > inside.size() && candidate.compare(0, inside.size(), inside) == 0;
}

void VaneCacheFolders::DeleteItem(CxUint32 inItem, FxHierarchy* inHierarchy)
{
    CacheFolderItem* item = Find(inItem);
    if (item == nullptr || inHierarchy == nullptr)
        return;
    mPending.clear();
    const std::string& path = item->GetRef().mPath;
    if (!IsInsideRoot(path, CanonicalRoot()))
    {
        ReportFailure(item->AsString());
        return;
    }
    if (IsLink(path) || !item->IsFolder())
    {
        try
        {
            // Unlinks a link itself, never what it leads to.
            item->AsFile().Delete();
        }
        catch (const CxError& error)
        {
            ReportFailure(item->AsString() + " (" + error.Class() + ")");
            return;
        }
    }
    else
    {
        EmptyFolder(item->AsFolder());
    }
    inHierarchy->DeleteItem(inItem);
    for (const std::string& folder : mPending)
    {
        try
        {
            CxFolder(CxFileRef{folder}).Delete();
        }
        catch (const CxError&)
        {
            ReportFailure(CxString::FromUtf8(folder));
        }
    }
}

void VaneCacheFolders::RecurseDeleteFolderContents(const CxFolder& inFolder)
{
    const std::string& path = inFolder.GetRef().mPath;
    if (!IsInsideRoot(path, CanonicalRoot()) || IsLink(path))
    {
        ReportFailure(inFolder.AsString());
        return;
    }
    EmptyFolder(inFolder);
}

// Below a folder found inside the root, only real folders are entered (a link is removed as a link), so every
// level lies inside as well: resolving each level's path again would make a deep tree cost the cube of its depth.
void VaneCacheFolders::EmptyFolder(const CxFolder& inFolder)
{
    try
    {
        for (const CxFolderItem& entry : inFolder.Contents())
        {
            if (IsLink(entry.GetRef().mPath) || !entry.IsFolder())
                entry.AsFile().Delete();
            else
                EmptyFolder(entry.AsFolder());
        }
        mPending.push_back(inFolder.GetRef().mPath);
    }
    catch (const CxError&)
    {
        ReportFailure(inFolder.AsString());
    }
}

bool VaneCacheFolders::IsGrandParent(CxUint32 inItem)
{
    const CacheFolderItem* item = Find(inItem);
    if (item == nullptr || !item->IsFolder())
        return false;
    try
    {
        const std::vector<CxFolderItem> contents = item->AsFolder().Contents();
        return std::any_of(contents.begin(), contents.end(),
                           [](const CxFolderItem& inEntry) { return inEntry.IsFolder(); });
    }
    catch (const CxError&)
    {
        return false;
    }
}

void VaneCacheFolders::OnDeleteItem(CxUint32 inItem)
{
    CacheFolderItem* item = Find(inItem);
    if (item == nullptr)
        return;
    mIds.erase(inItem);
    mItems.erase(item->GetRef().mPath);
}

// ---- VaneCacheDialog -----------------------------------------------------------------------------------------

VaneCacheDialog::VaneCacheDialog(FxWindow* inParent, DxManager* inManager)
    : VaneSheetWindow("VaneMain", "CacheDialog", inParent), mManager(inManager)
{
    mFolders.SetRoot(DataFolderOf(mManager));
    mHierarchy = AsFxHierarchy(GetControlById(3));
    mDeleteButton = AsFxButton(GetControlById(4));
    mRevealButton = AsFxButton(GetControlById(5));
    mPopup = AsFxPopupButton(GetControlById(6));
    if (mHierarchy != nullptr)
        mHierarchy->SetAdapter(&mFolders);
    if (mDeleteButton != nullptr)
        mDeleteButton->Disable();
    if (mPopup != nullptr)
        BuildDataSetPopup();
    if (mRevealButton != nullptr)
    {
        CxString title = CxLocalize("showInFinder");
        title.ReplaceAll("Finder", CxSystemFileBrowserName(), 0);
        mRevealButton->SetTitle(title);
        mRevealButton->SetEnabled(mFolders.HasRoot());
    }
    // The column view grows with the sheet; the buttons keep to the bottom edge, the close button to the corner.
    if (mHierarchy != nullptr)
        mHierarchy->SetBinding(FxBinding{true, true, true, true});
    for (FxControl* button : {static_cast<FxControl*>(mDeleteButton), static_cast<FxControl*>(mRevealButton)})
        if (button != nullptr)
            button->SetBinding(FxBinding{true, false, false, true});
    if (FxControl* close = GetControlById(1))
        close->SetBinding(FxBinding{false, false, true, true});
    const CxRect bounds(CxGetGlobalPreferences().GetStringValue("cacheDialogBounds"));
    if (!bounds.Empty())
        SetFrameBounds(bounds, false);
    Show();
}

VaneCacheDialog::~VaneCacheDialog()
{
    // The column view outlives the adapter by a little: it must not ask it for anything meanwhile.
    if (mHierarchy != nullptr)
        mHierarchy->SetAdapter(nullptr);
}

CxFolder VaneCacheDialog::DataFolderOf(const DxManager* inManager)
{
    if (inManager == nullptr)
        return CxFolder();
    try
    {
        return DxManager::RootDataFolder().ExistingFolder(inManager->Id()).CreateFolder("data");
    }
    catch (const CxError&)
    {
        return CxFolder();
    }
}

void VaneCacheDialog::BuildDataSetPopup()
{
    if (mPopup == nullptr)
        return;
    mPopup->RemoveAll();
    std::vector<DxManager*> managers(DxManager::BeginDataManagers(), DxManager::EndDataManagers());
    std::stable_sort(managers.begin(), managers.end(),
                     [](const DxManager* inA, const DxManager* inB) { return inA->Id() < inB->Id(); });
    int selected = 1;
    for (DxManager* manager : managers)
    {
        mPopup->AppendItem(manager->Name());
        mPopup->SetItemTitle(mPopup->CountItems(), manager->Id());
        if (mManager != nullptr && manager->Id() == mManager->Id())
            selected = mPopup->CountItems();
    }
    mPopup->SetValue(selected);
}

void VaneCacheDialog::ChangeDataset()
{
    if (mPopup == nullptr || mPopup->CountItems() == 0)
        return;
    mManager = DxManager::FindExistingManager(mPopup->GetItemTitle(mPopup->Value()));
    if (mHierarchy != nullptr)
        mHierarchy->SetAdapter(nullptr);
    // A set without a folder must not go on showing the files of the one before.
    mFolders.SetRoot(DataFolderOf(mManager));
    if (mHierarchy != nullptr)
        mHierarchy->SetAdapter(&mFolders);
    if (mRevealButton != nullptr)
        mRevealButton->SetEnabled(mFolders.HasRoot());
}

void VaneCacheDialog::OnControlHit(FxControl* inControl)
{
    if (inControl == nullptr)
        return;
    switch (inControl->Id())
    {
    case 1:
    case 2:
        Release();
        return;
    case 4:
        if (mHierarchy != nullptr)
            mFolders.DeleteItem(mHierarchy->SelectedItem(), mHierarchy);
        break;
    case 5:
        if (mFolders.HasRoot())
            mFolders.Root().Reveal();
        break;
    case 6:
        ChangeDataset();
        break;
    default:
        break;
    }
    UpdateButtons();
}

void VaneCacheDialog::UpdateButtons()
{
    if (mDeleteButton != nullptr)
        mDeleteButton->SetEnabled(mHierarchy != nullptr && mHierarchy->SelectedItem() != 0);
}

void VaneCacheDialog::OnResize()
{
    VaneSheetWindow::OnResize();
    CxGetGlobalPreferences().SetStringValue("cacheDialogBounds", FrameBounds().AsString(), 0);
    FxCommander::DispatchCommand(pf::FourCC("WPRF"));
}
