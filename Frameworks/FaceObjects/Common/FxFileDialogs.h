// The caution sheet that asks whether to discard a document's changes and revert to the saved one.
#pragma once

#include "FxEventHandler.h"
#include "FxFileDialogHandler.h"
#include "PfWindowServer.h"

class FxWindow;

class FxAskDiscardChangesDialog : public FxEventHandler
{
public:
    // Retains the parent until deleted; the owner deletes the dialog.
    FxAskDiscardChangesDialog(FxWindow* inParent, FxFileDialogHandler* inHandler);
    ~FxAskDiscardChangesDialog() override;

    void Display();
    // 0 until answered, then 1 (cancel) or 8 (discard changes).
    CxSint32 Action() const { return mAction; }
    pf::WindowRef GetSheet() const { return mSheet; }

    // Takes the answer and passes the event on, so the sheet closes.
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

private:
    FxWindow* mParent;
    FxFileDialogHandler* mHandler;
    CxSint32 mAction = 0;
    pf::WindowRef mSheet = nullptr;
};
