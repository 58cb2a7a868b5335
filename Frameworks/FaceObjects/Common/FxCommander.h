// Commands: four-character codes that travel as 'cmds' events along the commander chain to whoever handles them.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "FxEventHandler.h"

class FxMenu;

class FxCommand
{
public:
    explicit FxCommand(CxUint32 inId);
    // The menu item's text and command id; the command then changes that item.
    FxCommand(FxMenu* inMenu, int inItem);

    CxUint32 Id() const { return mId; }
    const CxString& Text() const { return mText; }
    void SetText(const CxString& inText);

    // Nothing without a menu.
    void Enable() { SetEnabled(true); }
    void Disable() { SetEnabled(false); }
    void SetEnabled(bool inEnabled);
    // False without a menu.
    bool IsEnabled() const;

    void Handled() { mHandled = true; }
    void SetHandled(bool inHandled) { mHandled = inHandled; }
    void NotHandled() { mHandled = false; }
    bool WasHandled() const { return mHandled; }

    // "cmd = <id> menu = <0 or 1>"
    CxString AsString() const;

private:
    CxString mText;
    CxUint32 mId = 0;
    FxMenu* mMenu = nullptr;
    int mItem = 0;
    bool mHandled = false;
};

class FxCommander : public FxEventHandler
{
public:
    // 'cmds' events go to the command handling, every other class is passed on.
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    // Mark the command handled to stop it travelling on.
    virtual void OnCommand(FxCommand& ioCommand);
    // Enables, disables or renames the command's menu item.
    virtual void OnCommandStatus(FxCommand& ioCommand);

    void Command(FxCommand& ioCommand) { OnCommand(ioCommand); }
    void CommandStatus(FxCommand& ioCommand) { OnCommandStatus(ioCommand); }

    // To the user focus, so the commander in the focus chain handles it.
    static pf::OSStatus DispatchCommand(CxUint32 inId);
    // To this commander's own event target (not handled when it has none).
    pf::OSStatus ObeyCommand(CxUint32 inId);
    // Through this commander's command handling at once.
    pf::OSStatus ObeyCommandNow(CxUint32 inId);

    static bool Quitting() { return sQuitting; }
    // Clearing it also clears updating.
    static void SetQuitting(bool inQuitting);
    static bool Updating() { return sUpdating; }
    static void SetUpdating(bool inUpdating) { sUpdating = inUpdating; }

    // A process command ('cmds' 1) for the id, naming the first menu item anywhere that carries it.
    static pf::EventRef BuildCommandEvent(CxUint32 inId);

protected:
    pf::OSStatus EventCommand(pf::HandlerCallRef inCall, pf::Event& ioEvent);

private:
    static bool sQuitting;
    static bool sUpdating;
};
