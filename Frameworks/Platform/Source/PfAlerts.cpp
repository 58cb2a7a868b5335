// The standard caution sheet over sheet windows and the script's takers.
#include "PfAlerts.h"

#include "PfStandIns.h"
#include "PfUICodes.h"

#include <map>

namespace pf
{

namespace
{
struct Sheet
{
    StandardSheetTexts texts;
    TakerRef taker = 0;
};

std::map<WindowRef, Sheet>& Sheets()
{
    static auto* sSheets = new std::map<WindowRef, Sheet>;
    return *sSheets;
}

// Sends the button's command; the sheet closes unless a handler took it.
void Press(WindowRef inSheet, std::uint32_t inCommand)
{
    Event event(kClassCommand, 1);
    HICommand command;
    command.commandID = inCommand;
    event.SetParam(kParamDirectObject, kTypeHICommand, command);
    EventTarget* target = GetWindowEventTarget(inSheet);
    if (target == nullptr || target->Send(event) == kEventNotHandled)
    {
        if (IsValidWindow(inSheet))
        {
            HideSheetWindow(inSheet);
        }
    }
}
} // namespace

OSStatus CreateStandardSheet(std::uint16_t inType, const std::u16string& inMessage, const std::u16string& inExplanation,
                             const AlertStdCFStringAlertParamRec* inParams, WindowRef* outSheet)
{
    if (outSheet == nullptr || inType != kAlertCautionAlert)
    {
        return kParamErr;
    }
    const AlertStdCFStringAlertParamRec params = inParams != nullptr ? *inParams : AlertStdCFStringAlertParamRec{};
    const WindowRef sheet = CreateWindow(kSheetWindowClass, 0, Rect{0, 0, 420, 130});
    if (sheet == nullptr)
    {
        return kParamErr;
    }
    Sheet& entry = Sheets()[sheet];
    entry.texts = {inMessage, inExplanation, params.defaultText, params.cancelText,
                   params.defaultButton == kAlertStdAlertCancelButton ? kHICommandCancel : kHICommandOK};
    // Only a shown sheet answers the script.
    entry.taker = PushScriptTaker(
        [sheet](const ScriptItem& inItem)
        {
            if ((inItem.kind != ScriptKind::kAccept && inItem.kind != ScriptKind::kCancel) || !IsValidWindow(sheet) ||
                !IsWindowVisible(sheet))
            {
                return false;
            }
            Press(sheet, inItem.kind == ScriptKind::kAccept ? kHICommandOK : kHICommandCancel);
            return true;
        });
    *outSheet = sheet;
    return kNoErr;
}

OSStatus DisposeStandardSheet(WindowRef inSheet)
{
    const auto it = Sheets().find(inSheet);
    if (it == Sheets().end())
    {
        return kParamErr;
    }
    PopScriptTaker(it->second.taker);
    Sheets().erase(it);
    if (IsValidWindow(inSheet))
    {
        if (IsWindowVisible(inSheet))
        {
            HideSheetWindow(inSheet);
        }
        DisposeWindow(inSheet);
    }
    return kNoErr;
}

bool GetStandardSheetTexts(WindowRef inSheet, StandardSheetTexts* outTexts)
{
    const auto it = Sheets().find(inSheet);
    if (it == Sheets().end() || outTexts == nullptr)
    {
        return false;
    }
    *outTexts = it->second.texts;
    return true;
}

} // namespace pf
