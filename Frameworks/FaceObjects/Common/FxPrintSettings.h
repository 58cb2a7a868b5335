// Prints what a GL context shows: one page holding its image scaled to fit, optionally with a second context's
// image as an inset at the right, through the platform's page-setup and print dialogs. Each accepted job is spooled
// as a PDF into the folder SKYVANE_PRINT_DIR names, else "print" in the caches folder. Main thread only.
#pragma once

#include "CxTypes.h"

class FxPluginInstance;
class FxWindow;
class GxContext;

namespace pf
{
class PrintSession;
class PageFormat;
class PrintSettings;
class Window;
} // namespace pf

class FxPrintSettings
{
public:
    FxPrintSettings();
    // A print or page setup still under way is ended unprinted, its sheet taken down.
    ~FxPrintSettings();
    FxPrintSettings(const FxPrintSettings&) = delete;
    FxPrintSettings& operator=(const FxPrintSettings&) = delete;

    // As a sheet on the parent when it can be, else application-modal with the done step at once. Without a parent
    // the dialog runs application-modal. Answers the dialog's status.
    CxSint32 PageSetupDialog(FxWindow* inParent, GxContext& inContext);
    void PageSetupDone(bool inAccepted);

    // The job is named after the parent's title; an accepted dialog prints the page when its done step runs.
    CxSint32 PrintDialog(FxWindow* inParent, GxContext& inContext, GxContext* inInset);
    // The plug-in's form: application-modal. True when accepted: the caller then owes exactly one PrintDone, made
    // once the context holds a fresh frame. A cancel has already ended the print.
    bool PrintDialog(FxPluginInstance* inInstance, GxContext& inContext, GxContext* inInset);
    // Prints the page when inPrint, then ends the print.
    void PrintDone(bool inPrint);

private:
    using DoneProc = void (*)(pf::PrintSession*, pf::Window*, bool);
    static void PageSetupDoneProc(pf::PrintSession* inSession, pf::Window* inWindow, bool inAccepted);
    static void PrintDoneProc(pf::PrintSession* inSession, pf::Window* inWindow, bool inAccepted);
    static FxPrintSettings* FromWindow(pf::Window* inWindow);

    void InitPageFormat(GxContext& inContext);
    void PrintContext();
    // Runs the dialog as a sheet on the parent, else modal with the done step at once.
    CxSint32 RunWindowDialog(FxWindow* inParent, bool inPrint);

    pf::PageFormat* mFormat = nullptr;
    pf::PrintSettings* mSettings = nullptr;
    pf::PrintSession* mSession = nullptr;
    DoneProc mUpp = nullptr;
    GxContext* mContext = nullptr;
    GxContext* mInsetContext = nullptr;
    // The window carrying the property while a dialog is up.
    pf::Window* mParent = nullptr;
};
