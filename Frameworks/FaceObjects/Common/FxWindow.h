// The toolkit's window: one platform window, built from an interface file or a rectangle, whose events become
// virtual operations. Its controls are wrapped by the control builder. A window keeps a retain count and deletes
// itself when it reaches 0 (an allowed close drops one).
#pragma once

#include "CxCoordinates.h"
#include "CxString.h"
#include "CxTypes.h"
#include "FxCommander.h"
#include "FxDragHandler.h"
#include "FxFileDialogHandler.h"
#include "FxScrapHandler.h"
#include "PfWindowServer.h"

#include <memory>
#include <vector>

class CxFile;
class FxControl;
class FxController;
class FxEditText;
class FxKeyEvent;
class FxMenu;
class FxMouseEvent;
class GxColor;
class GxColorGradient;
class GxContext;
class GxFont;
class XmlBuilder;
class XmlElement;

// Bit 0 handles the click, bit 1 keeps the window inactive (pf's click activation answers).
using FxClickActivation = CxUint32;

class FxWindow : public FxCommander, public FxDragHandler, public FxScrapHandler, public FxFileDialogHandler
{
public:
    // "<inNibFile>.fxui" of the bundle: the window of that name and the menu named after it ("Window" becoming
    // "Menu"). A window that cannot be made leaves a null reference: every operation then answers empty.
    FxWindow(const CxString& inNibFile, const CxString& inWindowName);
    // A new hidden window of that class and attributes; inBounds is the global content rectangle.
    FxWindow(const CxRect& inBounds, CxUint32 inWindowClass, CxUint32 inAttributes);
    ~FxWindow() override;

    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    virtual void Show();
    virtual void Hide();
    // Clear ioAllow to refuse a close.
    virtual void OnClose(bool& ioAllow);
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    virtual void OnDraw() {}
    virtual void OnMouseDown(const FxMouseEvent&) {}
    virtual void OnMouseUp(const FxMouseEvent&) {}
    virtual void OnMouseMoved(const FxMouseEvent&) {}
    virtual void OnMouseDragged(const FxMouseEvent&) {}
    virtual void OnMouseWheel(const FxMouseEvent&) {}
    virtual void OnMouseEntered(const FxMouseEvent&) {}
    virtual void OnMouseExited(const FxMouseEvent&) {}
    virtual void OnMouseScroll(const FxMouseEvent&) {}
    virtual void OnKeyDown(FxKeyEvent&) {}
    virtual void OnKeyUp(FxKeyEvent&) {}
    virtual void OnKeyRepeat(FxKeyEvent&) {}
    virtual void OnKeyModifiersChanged(FxKeyEvent&) {}
    virtual void OnResizeBegin() {}
    // Invalidates the content.
    virtual void OnResize();
    virtual void OnResizeEnd() {}
    virtual void OnMoving() {}
    virtual void OnMoved() {}
    // Answers 2 (do not activate, ignore the click).
    virtual void OnGetClickActivation(const FxMouseEvent& inEvent, FxClickActivation& outActivation);
    // An empty answer leaves the platform's own size.
    virtual void OnGetIdealSize(CxRect&) const {}
    virtual void OnGetMinimumSize(CxRect&) const {}
    virtual void OnGetMaximumSize(CxRect&) const {}
    virtual void OnSwitchToolbar() {}
    virtual void OnFocusAcquired() {}
    virtual void OnFocusRelinquish() {}
    virtual void OnControlHit(FxControl*) {}
    virtual void OnControlTrack(FxControl*) {}
    virtual void OnTextChanged(FxControl*) {}
    virtual void OnFontSelection(const GxFont&) {}
    virtual void OnColorChanged(const GxColor&) {}
    virtual void OnGradientChanged(const GxColorGradient&) {}
    virtual void OnDateChanged(FxControl*) {}
    virtual void OnTextValidated(FxEditText*) {}

    CxUint32 Retain();
    // Deletes the window at 0; answers the new count.
    CxUint32 Release();
    CxUint32 RetainCount() const { return mRetainCount; }

    void Expand();
    void Collapse();
    void BringToFront();
    // Behind inOther, or to the back when null.
    void SendBehind(FxWindow* inOther);
    void SetModified(bool inModified);
    bool IsModified() const;
    bool IsVisible() const;
    bool IsActive() const;
    bool IsCollapsed() const;
    bool IsModal() const { return mModal; }
    void SetClosing(bool inClosing) { mClosing = inClosing; }
    bool IsClosing() const { return mClosing; }
    void SetTitle(const CxString& inTitle);
    CxString Title() const;
    // The window name it was built from; empty for a window made from a rectangle.
    const CxString& Id() const { return mId; }

    // Global; the frame includes the title bar.
    CxRect FrameBounds() const;
    void SetFrameBounds(const CxRect& inBounds, bool inAnimate);
    CxRect ContentBounds() const;
    void SetContentBounds(const CxRect& inBounds);
    void ConstrainToScreen();
    // In content coordinates.
    CxPoint Mouse() const;
    void LocalToGlobal(CxPoint& ioPoint) const;
    void GlobalToLocal(CxPoint& ioPoint) const;
    void LocalToGlobal(CxRect& ioRect) const;
    void GlobalToLocal(CxRect& ioRect) const;

    void Invalidate();
    void Invalidate(const CxRect& inRect);
    void Refresh();
    // The window's GL context on its whole content, made on first use; null without a window.
    GxContext* GetContext();

    // Direct subviews of the content view, 1-based; wrappers or null.
    int CountControls() const;
    FxControl* GetControlByIndex(int inIndex) const;
    FxControl* GetControlById(CxSint32 inId) const;
    FxControl* DefaultButton() const;
    FxControl* CancelButton() const;
    void SetDefaultButton(FxControl* inControl);
    void SetCancelButton(FxControl* inControl);

    void AttachController(FxController* inController);
    void DetachController(FxController* inController);
    FxController* Controller() const { return mController; }

    // Runs the modal loop for this window until EndModal.
    void BeginModal();
    void EndModal();
    // Dispatches 'quit'.
    void QuitOnClose();

    // The processing instruction "FxWindow" with frameBounds.
    void ExternalizeBounds(XmlBuilder& ioBuilder) const;
    void InternalizeBounds(const XmlElement* inElement);

    // The window's own custom menu (from the interface file), or null.
    FxMenu* CustomMenu() const { return mMenu; }
    pf::WindowRef GetRef() const { return mWindow; }
    // Null for a null reference or a window without an FxWindow.
    static FxWindow* FromRef(pf::WindowRef inWindow);

protected:
    // The windows whose custom menus stand in the bar while this one is active.
    virtual FxWindow* MenuWindow() { return this; }

private:
    void SetUp();
    bool Check(const char* inCall) const;
    void InsertMenus();
    void RemoveMenus();
    pf::OSStatus EventWindow(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    pf::OSStatus EventMouse(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    pf::OSStatus EventControl(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    pf::OSStatus EventFace(pf::Event& ioEvent);
    pf::OSStatus EventKey(pf::Event& ioEvent);
    pf::OSStatus SizeQuery(pf::Event& ioEvent);
    void BoundsChanged(pf::Event& ioEvent);

    pf::WindowRef mWindow = nullptr;
    pf::TrackingAreaRef mTrackingArea = 0;
    bool mTracking = false;
    FxController* mController = nullptr;
    FxMenu* mMenu = nullptr;
    // The menus this window put in the bar, by id.
    std::vector<CxSint16> mBarMenus;
    std::unique_ptr<GxContext> mContext;
    CxUint32 mRetainCount = 0;
    bool mModal = false;
    bool mClosing = false;
    CxString mId;
    // Cleared by the destructor: a modal loop learns that its window went.
    std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
};

class FxDocumentWindow : public FxWindow
{
public:
    FxDocumentWindow(const CxString& inNibFile, const CxString& inWindowName);
    explicit FxDocumentWindow(const CxRect& inBounds);
    ~FxDocumentWindow() override;

    // Shows the file as the window's proxy and its name as the title.
    void SetFile(const CxFile& inFile);
    // Removes the file and its proxy; a MIME type set before shows its proxy again.
    void ClearFile();
    bool HasFile() const { return mFile != nullptr; }
    // An empty file when none is set.
    const CxFile& File() const;
    // Without a file, a type the MIME table knows shows as the proxy.
    void SetMime(const CxString& inMime);
    const CxString& Mime() const { return mMime; }

    static FxDocumentWindow* Frontmost();
    static int Count();
    static int CountModified();
    // Brings the modified documents forward in order, sets quitting and sends 'clos' to the front one.
    static void ReviewDocuments();
    // Marks every document unmodified and quits the application's loop.
    static void DiscardDocuments();
    // The document window behind this one, or null.
    FxDocumentWindow* NextDocument() const;

    void TileHorizontally() {}
    void TileVertically() {}
    void Cascade() {}
    void CommandStatusForWindowMenu(FxCommand&) {}

private:
    CxString mMime;
    CxFile* mFile = nullptr;
};

class FxSheetWindow : public FxWindow
{
public:
    // Holds one retain on the parent.
    FxSheetWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent);
    FxSheetWindow(const CxRect& inBounds, FxWindow* inParent);
    ~FxSheetWindow() override;
    // On the parent, as a sheet.
    void Show() override;
    void Hide() override;
    FxWindow* Parent() const { return mParent; }
    static FxSheetWindow* Frontmost();

protected:
    FxWindow* MenuWindow() override;

private:
    FxWindow* mParent = nullptr;
};

class FxAlertWindow : public FxWindow
{
public:
    FxAlertWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent);
    FxAlertWindow(const CxRect& inBounds, FxWindow* inParent);
    // Disables every command.
    void OnCommandStatus(FxCommand& ioCommand) override;
    static FxAlertWindow* Frontmost();
};

class FxDialogWindow : public FxWindow
{
public:
    // Not listed in the Window menu.
    FxDialogWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent);
    FxDialogWindow(const CxRect& inBounds, FxWindow* inParent);
    // Disables every command.
    void OnCommandStatus(FxCommand& ioCommand) override;
    static FxDialogWindow* Frontmost();
};

class FxFloatingWindow : public FxWindow
{
public:
    FxFloatingWindow(const CxString& inNibFile, const CxString& inWindowName);
    explicit FxFloatingWindow(const CxRect& inBounds);
    static FxFloatingWindow* Frontmost();
};

class FxUtilityWindow : public FxWindow
{
public:
    FxUtilityWindow(const CxString& inNibFile, const CxString& inWindowName);
    explicit FxUtilityWindow(const CxRect& inBounds);
    static FxUtilityWindow* Frontmost();
};

// Takes over a window's control clicks.
class FxController
{
public:
    FxController() = default;
    // Detaches from its window.
    virtual ~FxController();
    FxController(const FxController&) = delete;
    FxController& operator=(const FxController&) = delete;

    virtual void OnAttachWindow(FxWindow*) {}
    virtual void OnDetachWindow(FxWindow*) {}
    virtual void OnControlHit(FxControl*) {}
    virtual void OnControlTrack(FxControl*) {}

    void AttachWindow(FxWindow* inWindow);
    // Nothing unless inWindow is its window.
    void DetachWindow(FxWindow* inWindow);
    FxWindow* Window() const { return mWindow; }
    void ControlHit(FxControl* inControl) { OnControlHit(inControl); }
    void ControlTrack(FxControl* inControl) { OnControlTrack(inControl); }

private:
    FxWindow* mWindow = nullptr;
};
