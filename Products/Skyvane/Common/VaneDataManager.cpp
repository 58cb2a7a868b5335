#include "VaneDataManager.h"

#include "CxDebug.h"
#include "CxLog.h"
#include "CxSystem.h"
#include "CxUrl.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "DxSet.h"
#include "FxCommander.h"
#include "FxControl.h"
#include "PfTypes.h"
#include "PfUICodes.h"
#include "VaneCacheDialog.h"
#include "VaneSheetWindow.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

VaneDataManager* VaneDataManager::sDataManager = nullptr;

namespace
{

template <class T> T* Control(FxWindow* inWindow, CxSint32 inId, T* (*inCast)(FxControl*))
{
    return inCast(inWindow->GetControlById(inId));
}

void SetText(FxStaticText* inText, const CxString& inValue)
{
    if (inText != nullptr)
        inText->SetText(inValue);
}

void SetEnabled(FxControl* inControl, bool inEnabled)
{
    if (inControl != nullptr)
        inControl->SetEnabled(inEnabled);
}

CxString TextOf(const FxEditText* inField)
{
    return inField != nullptr ? inField->Text() : CxString();
}

// Only a web address taken from a server's configuration goes to the desktop's opener: any other scheme (a file,
// a script, a program's own) could make the opener do what the server asks.
bool IsWebAddress(const CxString& inUrl)
{
    const std::string text = inUrl.AsUtf8();
    const std::string::size_type colon = text.find("://");
    if (colon == std::string::npos || colon + 3 >= text.size())
        return false;
    std::string scheme = text.substr(0, colon);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char inChar) { return char(std::tolower(inChar)); });
    return scheme == "http" || scheme == "https";
}

bool IsLive(const DxManager* inManager)
{
    return inManager != nullptr && std::find(DxManager::BeginDataManagers(), DxManager::EndDataManagers(), inManager) !=
                                       DxManager::EndDataManagers();
}

} // namespace

VaneDataManager::VaneDataManager() : FxDialogWindow("VaneMain", "DataWindow", nullptr), CxTimer(100)
{
    CxAssertText(sDataManager == nullptr, "sDataManager == nil");
    sDataManager = this;

    mPopup = Control(this, 1, AsFxPopupButton);
    mUserField = Control(this, 2, AsFxEditText);
    mPasswordField = Control(this, 3, AsFxEditText);
    mIdText = Control(this, 4, AsFxStaticText);
    mStatusText = Control(this, 5, AsFxStaticText);
    mProviderText = Control(this, 6, AsFxStaticText);
    mSourceText = Control(this, 7, AsFxStaticText);
    mContactText = Control(this, 8, AsFxStaticText);
    mProviderIcon = Control(this, 9, AsFxIcon);
    mSourceIcon = Control(this, 10, AsFxIcon);
    mContactIcon = Control(this, 11, AsFxIcon);
    mFilesButton = Control(this, 12, AsFxButton);
    mRevertButton = Control(this, 13, AsFxButton);
    mSaveButton = Control(this, 14, AsFxButton);

    DxSet::InitCachedSets(DxManager::RootDataFolder());
    BuildDataSetPopup();
    BuildAllFields();
    StartRepeating();
}

VaneDataManager::~VaneDataManager()
{
    StopRepeating();
    // The sheet holds this window as its parent: it goes first.
    delete OpenSheet();
    CxAssertText(sDataManager != nullptr, "sDataManager != nil");
    if (sDataManager == this)
        sDataManager = nullptr;
}

void VaneDataManager::Display(const CxString& inSetId)
{
    if (sDataManager == nullptr)
    {
        new VaneDataManager();
        CxAssertText(sDataManager != nullptr, "sDataManager != nil");
    }
    sDataManager->ShowDataSet(inSetId);
    sDataManager->Show();
    sDataManager->Expand();
    sDataManager->BringToFront();
}

void VaneDataManager::RemoveDataManager()
{
    delete sDataManager;
}

FxWindow* VaneDataManager::OpenSheet() const
{
    for (const pf::WindowRef ref : pf::WindowList())
        if (auto* sheet = dynamic_cast<VaneCacheDialog*>(FxWindow::FromRef(ref)); sheet != nullptr)
            if (sheet->Parent() == this)
                return sheet;
    return nullptr;
}

void VaneDataManager::ShowDataSet(const CxString& inSetId)
{
    if (mPopup == nullptr)
        return;
    for (int item = 1; item <= mPopup->CountItems(); ++item)
    {
        if (mPopup->GetItemTitle(item) == inSetId)
        {
            mPopup->SetValue(item);
            BuildAllFields();
            return;
        }
    }
}

void VaneDataManager::ShowDataFiles()
{
    if (mManager != nullptr && OpenSheet() == nullptr)
        new VaneCacheDialog(this, mManager);
}

void VaneDataManager::ShowLog()
{
    if (CxLog* log = DxLogger::Instance().Log())
        log->Reveal();
}

void VaneDataManager::BuildDataSetPopup()
{
    if (mPopup == nullptr)
        return;
    mPopup->RemoveAll();
    std::vector<DxSet*> sets;
    for (auto it = DxSet::BeginSets(); it != DxSet::EndSets(); ++it)
        sets.push_back(it->second);
    std::stable_sort(sets.begin(), sets.end(), DxSet::NameSortPredicate);
    for (DxSet* set : sets)
    {
        mPopup->AppendItem(set->Name());
        mPopup->SetItemTitle(mPopup->CountItems(), set->Id());
    }
    mPopup->SetValue(1);
}

void VaneDataManager::BuildAllFields()
{
    // With no data set the popup has no item: nothing is selected, and nothing may be read of a manager.
    const bool listed = mPopup != nullptr && mPopup->CountItems() > 0;
    DxSet* set = listed ? DxSet::FindExistingSet(mPopup->GetItemTitle(mPopup->Value())) : nullptr;
    mManager = set != nullptr ? set->Manager() : nullptr;
    if (set != nullptr)
        CxAssertText(mManager != nullptr, "mManager != nil");

    mUser = CxString();
    mPassword = CxString();
    if (mManager != nullptr)
        CxReadAuthentication(mManager->AuthenticationKey(), mUser, mPassword);
    for (FxEditText* field : {mUserField, mPasswordField})
        SetEnabled(field, mManager != nullptr);
    if (mUserField != nullptr)
        mUserField->SetText(mUser);
    if (mPasswordField != nullptr)
        mPasswordField->SetText(mPassword);
    if (mUserField != nullptr && mManager != nullptr)
        mUserField->Focus(pf::kControlEditTextPart);

    BuildStaticFields();
    SetEnabled(mRevertButton, false);
    SetEnabled(mSaveButton, false);
}

void VaneDataManager::BuildStaticFields()
{
    // A manager deleted under the dialog (the sets go at shut-down) is no longer read.
    if (mManager != nullptr && !IsLive(mManager))
        mManager = nullptr;
    const DxManager* manager = mManager;
    SetText(mIdText, manager != nullptr ? manager->Id() : CxString());
    SetText(mStatusText, manager != nullptr ? manager->Status() : CxString());
    SetText(mProviderText, manager != nullptr ? manager->ProviderName() : CxString());
    SetText(mSourceText, manager != nullptr ? manager->SourceName() : CxString());
    SetText(mContactText, manager != nullptr ? manager->ContactName() : CxString());
    mProviderUrl = manager != nullptr ? manager->ProviderUrl() : CxString();
    mSourceUrl = manager != nullptr ? manager->SourceUrl() : CxString();
    mContactUrl = manager != nullptr ? manager->ContactUrl() : CxString();
    SetEnabled(mProviderIcon, mProviderUrl.Length() != 0);
    SetEnabled(mSourceIcon, mSourceUrl.Length() != 0);
    SetEnabled(mContactIcon, mContactUrl.Length() != 0);
    SetEnabled(mFilesButton, manager != nullptr && manager->HasFiles());
    Invalidate();
}

void VaneDataManager::OnTimer()
{
    if (mManager != nullptr)
        BuildStaticFields();
}

void VaneDataManager::OnCommandStatus(FxCommand& ioCommand)
{
    if (ioCommand.Id() == pf::FourCC("clos"))
        ioCommand.Enable();
}

void VaneDataManager::OnActivate()
{
    VaneFloatingWindow::UpdateAll(this);
}

void VaneDataManager::OnKeyUp(FxKeyEvent&)
{
    if (mManager == nullptr)
        return;
    if (TextOf(mUserField) != mUser || TextOf(mPasswordField) != mPassword)
    {
        SetEnabled(mRevertButton, true);
        SetEnabled(mSaveButton, true);
    }
}

void VaneDataManager::OnControlHit(FxControl* inControl)
{
    if (inControl == nullptr)
        return;
    switch (inControl->Id())
    {
    case 1:
    case 13:
        BuildAllFields();
        break;
    case 9:
    case 10:
    case 11:
    {
        const CxString& url = inControl->Id() == 9 ? mProviderUrl : inControl->Id() == 10 ? mSourceUrl : mContactUrl;
        if (url.Length() == 0)
            break;
        if (IsWebAddress(url))
        {
            CxUrl::OpenInBrowser(url);
        }
        else
        {
            const std::string line = "not opened: " + url.AsUtf8() + " (only http and https)";
            _CxDebugOut(__FILE__, __LINE__, line.c_str(), line.c_str());
        }
        break;
    }
    case 12:
        ShowDataFiles();
        break;
    case 14:
        if (mManager != nullptr)
        {
            mManager->SetAuthentication(TextOf(mUserField), TextOf(mPasswordField));
            BuildAllFields();
        }
        break;
    case 15:
        ShowLog();
        break;
    default:
        break;
    }
}
