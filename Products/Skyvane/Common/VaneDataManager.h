// The one data manager dialog: every known data set in a popup; for the chosen one its id, live status, provider,
// source and contact, the login for its server, its stored files and the data log. Closing it deletes it.
#pragma once

#include "CxString.h"
#include "CxTimer.h"
#include "FxWindow.h"

class DxManager;
class FxButton;
class FxEditText;
class FxIcon;
class FxPopupButton;
class FxStaticText;

class VaneDataManager : public FxDialogWindow, public CxTimer
{
public:
    // The open dialog, or null.
    static VaneDataManager* sDataManager;

    // Builds the dialog when there is none, selects the set (an id not listed keeps the selection), then shows it,
    // un-collapsed, in front.
    static void Display(const CxString& inSetId);
    // Deletes the open dialog, if any.
    static void RemoveDataManager();

    ~VaneDataManager() override;

    // Refreshes the set's status and links; nothing without a set.
    void OnTimer() override;
    void OnCommandStatus(FxCommand& ioCommand) override;
    void OnActivate() override;
    void OnKeyUp(FxKeyEvent& ioEvent) override;
    void OnControlHit(FxControl* inControl) override;

    void ShowDataSet(const CxString& inSetId);
    void ShowDataFiles();
    void ShowLog();

    void BuildDataSetPopup();
    // The login read again, the other fields built, revert and save disabled. With no set every field is empty
    // and disabled.
    void BuildAllFields();
    void BuildStaticFields();

    // The selected set's manager; null when there is none.
    DxManager* Manager() const { return mManager; }

private:
    VaneDataManager();
    // The data files sheet open on this dialog, or null.
    FxWindow* OpenSheet() const;

    FxPopupButton* mPopup = nullptr;
    FxEditText* mUserField = nullptr;
    FxEditText* mPasswordField = nullptr;
    FxStaticText* mIdText = nullptr;
    FxStaticText* mStatusText = nullptr;
    FxStaticText* mProviderText = nullptr;
    FxStaticText* mSourceText = nullptr;
    FxStaticText* mContactText = nullptr;
    FxIcon* mProviderIcon = nullptr;
    FxIcon* mSourceIcon = nullptr;
    FxIcon* mContactIcon = nullptr;
    FxButton* mFilesButton = nullptr;
    FxButton* mRevertButton = nullptr;
    FxButton* mSaveButton = nullptr;
    CxString mUser;
    CxString mPassword;
    CxString mProviderUrl;
    CxString mSourceUrl;
    CxString mContactUrl;
    DxManager* mManager = nullptr;
};
