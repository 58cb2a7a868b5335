// The discard-changes sheet over the platform's standard caution sheet.
#include "FxFileDialogs.h"

#include "CxLocalize.h"
#include "FxWindow.h"
#include "PfAlerts.h"
#include "PfUICodes.h"

#include <iterator>
#include <string>

namespace
{
constexpr CxSint32 kActionCancel = 1;
constexpr CxSint32 kActionDiscardChanges = 8;

const pf::EventTypeSpec kSheetEvents[] = {{pf::kClassCommand, pf::kCommandProcess}};

std::u16string Localized(const char* inKey)
{
    const CxString text = CxLocalize(CxString::FromUtf8(inKey));
    const CxUint16* units = text.GetChars();
    return std::u16string(units, units + text.Length());
}
} // namespace

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
