// The standard caution sheet: a message, an explanation and two buttons on a sheet window. The script's accept
// presses the default-text button, its cancel the cancel-text button; a dry script leaves it up.
// Main thread only. Frameworks/Platform/README.md
#pragma once

#include "PfTypes.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <string>

namespace pf
{

constexpr std::uint16_t kAlertCautionAlert = 2;
constexpr std::int16_t kAlertStdAlertOKButton = 1;
constexpr std::int16_t kAlertStdAlertCancelButton = 2;
constexpr std::uint32_t kHICommandOK = FourCC("ok  ");
constexpr std::uint32_t kHICommandCancel = FourCC("not!");

struct AlertStdCFStringAlertParamRec
{
    std::uint32_t version = 1;
    bool movable = false;
    bool helpButton = false;
    std::u16string defaultText; // the 'ok  ' button
    std::u16string cancelText;  // the 'not!' button
    std::u16string otherText;   // not shown
    std::int16_t defaultButton = kAlertStdAlertOKButton;
    std::int16_t cancelButton = 0;
    std::uint16_t position = 0;
    std::uint32_t flags = 0;
};

// A hidden sheet window with the texts and buttons; show it with ShowSheetWindow. A press sends 'cmds' 1 with the
// button's command to the sheet's event target and hides the sheet unless a handler took it.
OSStatus CreateStandardSheet(std::uint16_t inType, const std::u16string& inMessage, const std::u16string& inExplanation,
                             const AlertStdCFStringAlertParamRec* inParams, WindowRef* outSheet);
// Disposes of the sheet window; unknown windows are -50.
OSStatus DisposeStandardSheet(WindowRef inSheet);
// What a sheet shows, for tests: the message, the explanation, the two buttons' titles and the default button's
// command; false for a window that is not a standard sheet.
struct StandardSheetTexts
{
    std::u16string message;
    std::u16string explanation;
    std::u16string defaultText;
    std::u16string cancelText;
    std::uint32_t defaultCommand = 0;
};
bool GetStandardSheetTexts(WindowRef inSheet, StandardSheetTexts* outTexts);

} // namespace pf
