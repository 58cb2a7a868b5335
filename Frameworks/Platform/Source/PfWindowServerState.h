// The window server's own objects, shared by its source files only.
#pragma once

#include "PfDrag.h"
#include "PfSurface.h"
#include "PfWindowProxy.h"
#include "PfWindowServer.h"

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace pf
{

struct Property
{
    FourCharCode creator;
    FourCharCode tag;
    std::vector<unsigned char> bytes;
};

class Properties
{
public:
    OSStatus Set(FourCharCode inCreator, FourCharCode inTag, const void* inData, std::size_t inSize);
    OSStatus Get(FourCharCode inCreator, FourCharCode inTag, void* outData, std::size_t inSize) const;
    OSStatus Remove(FourCharCode inCreator, FourCharCode inTag);
    OSStatus Size(FourCharCode inCreator, FourCharCode inTag, std::size_t& outSize) const;

private:
    std::vector<Property> mList;
};

struct BrowserState
{
    DataBrowserCallbacks callbacks;
    std::map<DataBrowserItemID, std::vector<DataBrowserItemID>> containers; // 0 is the root
    std::set<DataBrowserItemID> open;
    std::vector<DataBrowserItemID> selection;
    DataBrowserPropertyID sortProperty = 0;
    bool ascending = true;
    std::uint32_t attributes = 0;
    std::uint32_t selectionFlags = 0;
    FourCharCode viewStyle = FourCC("lstv");
};

class View
{
public:
    ViewKind mKind = ViewKind::kUserPane;
    Rect mFrame;
    View* mParent = nullptr;
    Window* mWindow = nullptr;
    std::vector<View*> mChildren;
    EventTarget mTarget;
    bool mVisible = true;
    bool mEnabled = true;
    std::int16_t mHilite = 0;
    std::int32_t mValue = 0;
    std::int32_t mMinimum = 0;
    std::int32_t mMaximum = 0;
    std::u16string mTitle;
    std::u16string mText;
    FourCharCode mSignature = 0;
    std::int32_t mId = 0;
    std::uint32_t mCommand = 0;
    Menu* mPopupMenu = nullptr;
    std::int16_t mFocusPart = 0;
    Properties mProperties;
    bool mDragTracking = false;
    std::u16string mHelpTag;
    std::unique_ptr<BrowserState> mBrowser;
    ScrollInfo mScroll;
    ControlActionProc mAction;
};

class Port
{
public:
    Window* mWindow = nullptr;
    Point mOrigin;
};

class GLSurface
{
public:
    PixelSource mSource;
    Window* mWindow = nullptr;
    Rect mRect;
    Rect mClip;
    bool mVisible = false;
    View* mView = nullptr;
    std::function<void(const Rect&)> mResized;
};

class Window
{
public:
    std::uint32_t mClass = 0;
    std::uint32_t mAttributes = 0;
    Rect mContent; // global
    bool mVisible = false;
    bool mActive = false;
    bool mCollapsed = false;
    bool mModified = false;
    std::uint32_t mRetain = 1;
    std::u16string mTitle;
    Properties mProperties;
    EventTarget mTarget;
    View* mRoot = nullptr;
    View* mFocus = nullptr;
    View* mDefaultButton = nullptr;
    View* mCancelButton = nullptr;
    Window* mSheetParent = nullptr;
    Window* mSheet = nullptr;
    Rect mUserState; // the bounds a zoom returns to
    bool mZoomed = false;
    Port mPort;
    std::int16_t mBrush = 0;
    bool mAutoDragTracking = false;
    WindowProxy mProxy;
    bool mHasProxy = false;
};

struct MenuItem
{
    std::u16string text;
    std::uint32_t command = 0;
    std::uint32_t attributes = 0;
    std::uint8_t modifiers = 0;
    char16_t key = 0;
    Menu* submenu = nullptr;
};

class Menu
{
public:
    std::int16_t mId = 0;
    std::uint32_t mRetain = 1;
    std::uint64_t mSerial = 0;
    std::vector<MenuItem> mItems; // [0] is the menu itself
    Properties mProperties;
};

struct TrackingArea
{
    TrackingAreaRef ref = 0;
    View* view = nullptr;
    Rect rect; // view coordinates; empty: the view's bounds
    std::uint64_t id = 0;
    bool inside = false;
};

struct ServerState
{
    std::vector<std::unique_ptr<Window>> windows; // front to back
    std::unordered_set<View*> views;              // live views, owned here
    std::vector<std::unique_ptr<Menu>> menus;     // in creation order
    std::vector<Menu*> menuBar;
    std::vector<std::unique_ptr<Window>> deadWindows;
    std::vector<std::unique_ptr<View>> deadViews;
    std::vector<std::unique_ptr<Menu>> deadMenus;
    int depth = 0;
    std::deque<ScriptItem> script;
    std::vector<Window*> modalStack;
    Point mouse;
    bool buttonDown = false;
    Window* downWindow = nullptr;
    std::uint32_t lastDownTicks = 0;
    Point lastDownPoint;
    std::uint32_t clickCount = 0;
    bool hadDown = false;
    std::uint64_t nextMenuSerial = 1;
    std::function<void(const std::string&)> sink;
    std::vector<std::unique_ptr<GLSurface>> surfaces;
    std::int32_t cursor = 0;
    std::map<std::uint64_t, std::pair<std::uint32_t, std::uint32_t>> icons; // (creator, type) → (icon, retains)
    std::uint32_t nextIcon = 1;
    EventTarget* fontPanelTarget = nullptr;
    std::vector<TrackingArea> trackingAreas;
    TrackingAreaRef nextTrackingArea = 1;
    bool fontPanelVisible = false;
    bool refitting = false;
    bool sourceInstalled = false;
    Port* currentPort = nullptr;
    Window* userFocusWindow = nullptr;
};

ServerState& State();
void Log(const std::string& inLine);
// Print sheets up (PfPrint.cpp): the script source counts them as pending and cancels the newest when dry.
bool PrintSheetsPending();
void CancelNewestPrintSheet();
// Tests: the sheets went with the windows and the takers.
void ForgetPrintSheets();

// Frees what was disposed once no dispatch is running.
class DispatchGuard
{
public:
    DispatchGuard();
    ~DispatchGuard();
    DispatchGuard(const DispatchGuard&) = delete;
    DispatchGuard& operator=(const DispatchGuard&) = delete;
};

Window* CheckWindow(WindowRef inWindow, const char* inCall);
View* CheckView(ViewRef inView, const char* inCall);
Menu* CheckMenu(MenuRef inMenu, const char* inCall);
void InstallInputSource();

// Mouse parameters common to mouse events and control events.
void SetMouseParams(Event& ioEvent, Window* inWindow, Point inGlobal, std::uint32_t inModifiers);
OSStatus SendControlEvent(View* inView, std::uint32_t inKind, std::int16_t* ioPart = nullptr,
                          const Point* inLocal = nullptr, std::uint32_t inModifiers = 0);
void DisposeMenuNow(Menu* inMenu);

double TitleBarHeight(std::uint32_t inClass);
// The window's frame with its title bar, in global coordinates.
Rect Structure(const Window& inWindow);
Rect BoxRect(const Window& inWindow, double inLeft);
View* Deepest(View* inView, Point inLocal);
void FreeViewTree(View* inView);
void SendWindowEvent(Window* inWindow, std::uint32_t inKind);
void StandardWindowSetup(Window* inWindow);
void StandardViewSetup(View* inView);
void UpdateActivation();
// Sends 'cntl' 23 and 24 for the areas the mouse entered or left.
void UpdateTrackingAreas(Point inGlobal);
OSStatus StandardScrollViewHandler(View* inView, Event& ioEvent);
void ForgetDragHandlers(const Window* inWindow);
// Keeps view-bound surfaces fitted; surfaces forget views and windows that go.
void RefitSurfaces();
void ForgetSurfaces(const View* inView, const Window* inWindow);
void AdvanceFocusOf(Window* inWindow, bool inBackwards);
bool TrackControlClick(View* inView, Point inGlobal, std::uint32_t inModifiers);

} // namespace pf
