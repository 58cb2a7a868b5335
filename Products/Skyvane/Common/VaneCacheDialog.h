// The data files sheet: the files one data set keeps under the data folder (<data root>/<set id>/data/...),
// browsed in a column view, revealed in the file browser and deleted; another live set can be chosen.
#pragma once

#include "CxFile.h"
#include "CxString.h"
#include "CxTypes.h"
#include "FxControl.h"
#include "VaneSheetWindow.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class DxManager;
class FxButton;
class FxHierarchy;
class FxPopupButton;

// One listed file or folder.
class CacheFolderItem : public CxFolderItem
{
public:
    CacheFolderItem(const CxFolderItem& inItem, CacheFolderItem* inParent, CxUint32 inId);

    const CxString& Label() const { return mLabel; }
    void SetLabel(const CxString& inLabel) { mLabel = inLabel; }
    CacheFolderItem* Parent() const { return mParent; }
    CxUint32 Id() const { return mId; }

private:
    CxString mLabel;
    CacheFolderItem* mParent;
    CxUint32 mId;
};

// Feeds the column view from the file system. Every item ever listed is kept, one per path, until the adapter
// goes, so listing a folder again gives the same ids. Ids are numbers the adapter hands out (the column view's ids
// are 32 bits wide, an address is not); 0 is the root.
class VaneCacheFolders : public FxHierarchyAdapter
{
public:
    ~VaneCacheFolders() override;

    void ListChildren(CxUint32 inContainer, FxHierarchy* inHierarchy) override;
    bool IsParent(CxUint32 inItem) override;
    CxString GetLabel(CxUint32 inItem) override;

    // An empty folder (a null reference) is no root: nothing is listed and nothing deleted.
    void SetRoot(const CxFolder& inRoot) { mRoot = inRoot; }
    const CxFolder& Root() const { return mRoot; }
    bool HasRoot() const { return !mRoot.GetRef().IsNull(); }

    void AddFolderItems(CxUint32 inContainer, CxFolder& inFolder, FxHierarchy* inHierarchy);
    // A file (or a link) is removed at once; a folder is emptied from the deepest level up, then removed. The item
    // leaves the view unless it could not be deleted.
    void DeleteItem(CxUint32 inItem, FxHierarchy* inHierarchy);
    // Empties a folder inside the root that is no link, and queues it and every folder below it for removal,
    // deepest first.
    void RecurseDeleteFolderContents(const CxFolder& inFolder);
    bool IsGrandParent(CxUint32 inItem);
    void OnDeleteItem(CxUint32 inItem);

    // Null for 0 and for ids it never gave.
    CacheFolderItem* Find(CxUint32 inItem) const;
    // The paths of the folders the last deletion emptied, deepest first.
    const std::vector<std::string>& PendingFolders() const { return mPending; }

private:
    // The root with every link resolved; empty without a root or when it cannot be resolved.
    std::string CanonicalRoot() const;
    // Whether the path lies strictly inside the (canonical) root, its last part taken as it is (a link is not
    // followed).
    static bool IsInsideRoot(const std::string& inPath, const std::string& inRoot);
    void EmptyFolder(const CxFolder& inFolder);

    // Keyed by the path's bytes.
    std::map<std::string, std::unique_ptr<CacheFolderItem>> mItems;
    std::map<CxUint32, CacheFolderItem*> mIds;
    CxUint32 mNextId = 1;
    CxFolder mRoot;
    std::vector<std::string> mPending;
};

class VaneCacheDialog : public VaneSheetWindow
{
public:
    // Shown at once, on inParent.
    VaneCacheDialog(FxWindow* inParent, DxManager* inManager);
    ~VaneCacheDialog() override;

    void OnResize() override;
    void OnGetMinimumSize(CxRect& outSize) const override { outSize = CxRect(0, 0, 548, 300); }
    void OnControlHit(FxControl* inControl) override;

    void BuildDataSetPopup();
    void ChangeDataset();

    DxManager* Manager() const { return mManager; }
    VaneCacheFolders& Folders() { return mFolders; }

    // <data root>/<set id>/data, made when missing; a null folder when the set has none.
    static CxFolder DataFolderOf(const DxManager* inManager);

private:
    void UpdateButtons();

    FxHierarchy* mHierarchy = nullptr;
    FxButton* mDeleteButton = nullptr;
    FxButton* mRevealButton = nullptr;
    FxPopupButton* mPopup = nullptr;
    VaneCacheFolders mFolders;
    DxManager* mManager = nullptr;
};
