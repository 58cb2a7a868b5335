#include "PfRunLoop.h"
#include "PfWindowServerState.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <mutex>

namespace pf
{

namespace
{

bool IsFloatingClass(std::uint32_t inClass)
{
    return inClass == kFloatingWindowClass || inClass == kUtilityWindowClass;
}

// Higher layers stay in front: documents, then floating panels, then modal windows and sheets, then help.
int Layer(std::uint32_t inClass)
{
    switch (inClass)
    {
    case kFloatingWindowClass:
    case kUtilityWindowClass:
        return 1;
    case kAlertWindowClass:
    case kMovableAlertWindowClass:
    case kModalWindowClass:
    case kMovableModalWindowClass:
    case kSheetWindowClass:
        return 2;
    case kHelpWindowClass:
        return 3;
    default:
        return 0;
    }
}

Rect Structure(const Window& inWindow)
{
    const double title = TitleBarHeight(inWindow.mClass);
    return Rect{inWindow.mContent.x, inWindow.mContent.y - title, inWindow.mContent.w, inWindow.mContent.h + title};
}

std::unique_ptr<Window>* Slot(Window* inWindow)
{
    auto& list = State().windows;
    for (auto& slot : list)
    {
        if (slot.get() == inWindow)
        {
            return &slot;
        }
    }
    return nullptr;
}

// Places the window at the front of its layer.
void BringToFrontOfLayer(Window* inWindow)
{
    auto& list = State().windows;
    auto it = std::find_if(list.begin(), list.end(), [&](auto& w) { return w.get() == inWindow; });
    std::unique_ptr<Window> owned = std::move(*it);
    list.erase(it);
    const int layer = Layer(owned->mClass);
    auto pos = std::find_if(list.begin(), list.end(), [&](auto& w) { return Layer(w->mClass) <= layer; });
    list.insert(pos, std::move(owned));
}

void ActivateViews(View* inView, std::uint32_t inKind)
{
    SendControlEvent(inView, inKind);
    const std::vector<View*> children = CheckView(inView, nullptr) ? inView->mChildren : std::vector<View*>();
    for (View* child : children)
    {
        if (CheckView(child, nullptr))
        {
            ActivateViews(child, inKind);
        }
    }
}

// The window first, then its views, parents first.
void Activate(Window* inWindow, bool inActive)
{
    if (inWindow->mActive == inActive)
    {
        return;
    }
    inWindow->mActive = inActive;
    SendWindowEvent(inWindow, inActive ? kWindowActivated : kWindowDeactivated);
    if (CheckWindow(inWindow, nullptr) && inWindow->mRoot != nullptr)
    {
        ActivateViews(inWindow->mRoot, inActive ? kControlActivate : kControlDeactivate);
    }
}

// The active window is the frontmost visible non-floating window.

void FreeViewTree(View* inView)
{
    for (View* child : inView->mChildren)
    {
        FreeViewTree(child);
    }
    inView->mChildren.clear();
    ForgetSurfaces(inView, nullptr);
    auto& areas = State().trackingAreas;
    areas.erase(std::remove_if(areas.begin(), areas.end(), [&](const TrackingArea& a) { return a.view == inView; }),
                areas.end());
    if (State().fontPanelTarget == &inView->mTarget)
    {
        State().fontPanelTarget = nullptr;
    }
    State().views.erase(inView);
    State().deadViews.emplace_back(inView);
}

void UnlinkFromParent(View* inView)
{
    if (inView->mParent != nullptr)
    {
        auto& siblings = inView->mParent->mChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), inView), siblings.end());
        inView->mParent = nullptr;
        inView->mTarget.SetParent(nullptr);
    }
}

bool Contains(View* inAncestor, View* inView)
{
    for (View* v = inView; v != nullptr; v = v->mParent)
    {
        if (v == inAncestor)
        {
            return true;
        }
    }
    return false;
}

// A removed view gives up its window's focus and default and cancel roles.
void ForgetViews(Window* inWindow, View* inRemoved)
{
    if (inWindow == nullptr)
    {
        return;
    }
    if (inWindow->mFocus != nullptr && Contains(inRemoved, inWindow->mFocus))
    {
        inWindow->mFocus = nullptr;
    }
    if (inWindow->mDefaultButton != nullptr && Contains(inRemoved, inWindow->mDefaultButton))
    {
        inWindow->mDefaultButton = nullptr;
    }
    if (inWindow->mCancelButton != nullptr && Contains(inRemoved, inWindow->mCancelButton))
    {
        inWindow->mCancelButton = nullptr;
    }
}

void SetWindowOfTree(View* inView, Window* inWindow)
{
    const bool changed = inView->mWindow != inWindow;
    inView->mWindow = inWindow;
    for (View* child : inView->mChildren)
    {
        SetWindowOfTree(child, inWindow);
    }
    if (changed)
    {
        SendControlEvent(inView, kControlOwningWindowChanged);
    }
}

} // namespace

double TitleBarHeight(std::uint32_t inClass)
{
    switch (inClass)
    {
    case kDocumentWindowClass:
    case kMovableModalWindowClass:
    case kMovableAlertWindowClass:
        return metrics::kTitleBarHeight;
    case kFloatingWindowClass:
    case kUtilityWindowClass:
        return metrics::kSmallTitleBarHeight;
    default:
        return 0;
    }
}

Rect BoxRect(const Window& inWindow, double inLeft)
{
    const Rect frame = Structure(inWindow);
    return Rect{frame.x + inLeft, frame.y + metrics::kBoxInset, metrics::kBoxSize, metrics::kBoxSize};
}

void SendWindowEvent(Window* inWindow, std::uint32_t inKind)
{
    Event event(kClassWindow, inKind);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    inWindow->mTarget.Send(event);
}

void UpdateActivation()
{
    DispatchGuard guard;
    Window* front = nullptr;
    for (auto& w : State().windows)
    {
        if (w->mVisible && !IsFloatingClass(w->mClass) && front == nullptr)
        {
            front = w.get();
        }
    }
    std::vector<Window*> all;
    for (auto& w : State().windows)
    {
        all.push_back(w.get());
    }
    for (Window* w : all)
    {
        if (w != front && CheckWindow(w, nullptr) && !IsFloatingClass(w->mClass))
        {
            Activate(w, false);
        }
    }
    if (front != nullptr && CheckWindow(front, nullptr))
    {
        Activate(front, true);
    }
}

// ---- State ---------------------------------------------------------------------------------------------------

ServerState& State()
{
    // Never destroyed: handlers of objects freed at exit may still call in.
    static ServerState* sState = new ServerState;
    return *sState;
}

namespace
{
// The sink may be connected from any thread (the debug output connects it on its first report).
std::mutex& SinkMutex()
{
    static std::mutex* sMutex = new std::mutex;
    return *sMutex;
}
} // namespace

void Log(const std::string& inLine)
{
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = State().sink;
    }
    if (sink)
    {
        sink(inLine);
    }
    else
    {
        std::cerr << "pf: " << inLine << '\n';
    }
}

void SetDebugSink(std::function<void(const std::string&)> inSink)
{
    std::lock_guard lock(SinkMutex());
    State().sink = std::move(inSink);
}

DispatchGuard::DispatchGuard()
{
    ++State().depth;
}

DispatchGuard::~DispatchGuard()
{
    ServerState& state = State();
    if (state.depth == 1)
    {
        RefitSurfaces();
    }
    if (--state.depth == 0)
    {
        // Freeing may run destructors that call back in; take the lists first.
        auto windows = std::move(state.deadWindows);
        auto views = std::move(state.deadViews);
        auto menus = std::move(state.deadMenus);
        state.deadWindows.clear();
        state.deadViews.clear();
        state.deadMenus.clear();
    }
}

Window* CheckWindow(WindowRef inWindow, const char* inCall)
{
    if (inWindow != nullptr && Slot(inWindow) != nullptr)
    {
        return inWindow;
    }
    if (inCall != nullptr)
    {
        Log(std::string(inCall) + ": bad window reference");
    }
    return nullptr;
}

View* CheckView(ViewRef inView, const char* inCall)
{
    if (inView != nullptr && State().views.count(inView) != 0)
    {
        return inView;
    }
    if (inCall != nullptr)
    {
        Log(std::string(inCall) + ": bad view reference");
    }
    return nullptr;
}

OSStatus Properties::Set(FourCharCode inCreator, FourCharCode inTag, const void* inData, std::size_t inSize)
{
    if (inData == nullptr && inSize != 0)
    {
        return kParamErr;
    }
    const auto* bytes = static_cast<const unsigned char*>(inData);
    std::vector<unsigned char> copy(bytes, bytes + inSize);
    for (Property& p : mList)
    {
        if (p.creator == inCreator && p.tag == inTag)
        {
            p.bytes = std::move(copy);
            return kNoErr;
        }
    }
    mList.push_back(Property{inCreator, inTag, std::move(copy)});
    return kNoErr;
}

// The platform's "property not found" and "wrong size" statuses.
constexpr OSStatus kPropertyNotFound = -5604;
constexpr OSStatus kPropertyBufferTooSmall = -5603;

OSStatus Properties::Get(FourCharCode inCreator, FourCharCode inTag, void* outData, std::size_t inSize) const
{
    for (const Property& p : mList)
    {
        if (p.creator == inCreator && p.tag == inTag)
        {
            if (p.bytes.size() != inSize || outData == nullptr)
            {
                return kPropertyBufferTooSmall;
            }
            if (inSize != 0)
            {
                std::memcpy(outData, p.bytes.data(), inSize);
            }
            return kNoErr;
        }
    }
    return kPropertyNotFound;
}

OSStatus Properties::Remove(FourCharCode inCreator, FourCharCode inTag)
{
    auto it = std::find_if(mList.begin(), mList.end(),
                           [&](const Property& p) { return p.creator == inCreator && p.tag == inTag; });
    if (it == mList.end())
    {
        return kPropertyNotFound;
    }
    mList.erase(it);
    return kNoErr;
}

// ---- Windows -------------------------------------------------------------------------------------------------

WindowRef CreateWindow(std::uint32_t inClass, std::uint32_t inAttributes, const Rect& inContent)
{
    InstallInputSource();
    auto owned = std::make_unique<Window>();
    Window* window = owned.get();
    window->mClass = inClass;
    window->mAttributes = inAttributes;
    window->mContent = inContent;
    window->mUserState = inContent;
    window->mTarget.SetParent(&ApplicationTarget());
    window->mPort.mWindow = window;
    State().windows.push_back(std::move(owned));
    BringToFrontOfLayer(window);
    SendBehind(window, nullptr); // new windows wait hidden at the back of their layer
    View* root = CreateView(ViewKind::kUserPane, Rect{0, 0, inContent.w, inContent.h});
    root->mWindow = window;
    root->mTarget.SetParent(&window->mTarget);
    window->mRoot = root;
    StandardWindowSetup(window);
    return window;
}

bool IsValidWindow(WindowRef inWindow)
{
    return CheckWindow(inWindow, nullptr) != nullptr;
}

std::uint32_t RetainWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "RetainWindow");
    return w ? ++w->mRetain : 0;
}

std::uint32_t ReleaseWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "ReleaseWindow");
    if (w == nullptr)
    {
        return 0;
    }
    if (--w->mRetain == 0)
    {
        DisposeWindow(w);
        return 0;
    }
    return w->mRetain;
}

std::uint32_t GetWindowRetainCount(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowRetainCount");
    return w ? w->mRetain : 0;
}

OSStatus DisposeWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "DisposeWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    ServerState& state = State();
    if (w->mSheet != nullptr)
    {
        DisposeWindow(w->mSheet);
    }
    if (w->mSheetParent != nullptr)
    {
        Window* parent = w->mSheetParent;
        w->mSheetParent = nullptr;
        if (CheckWindow(parent, nullptr))
        {
            parent->mSheet = nullptr;
            ReleaseWindow(parent);
        }
    }
    if (!CheckWindow(w, nullptr))
    {
        return kNoErr; // disposed by a handler meanwhile
    }
    const bool wasActive = w->mActive;
    if (state.downWindow == w)
    {
        state.downWindow = nullptr;
    }
    state.modalStack.erase(std::remove(state.modalStack.begin(), state.modalStack.end(), w), state.modalStack.end());
    std::unique_ptr<Window>* slot = Slot(w);
    std::unique_ptr<Window> owned = std::move(*slot);
    state.windows.erase(std::remove(state.windows.begin(), state.windows.end(), nullptr), state.windows.end());
    owned->mTarget.SetStandardHandler(nullptr);
    ForgetSurfaces(nullptr, owned.get());
    ForgetDragHandlers(owned.get());
    if (state.fontPanelTarget == &owned->mTarget)
    {
        state.fontPanelTarget = nullptr;
    }
    FreeViewTree(owned->mRoot);
    owned->mRoot = nullptr;
    owned->mFocus = owned->mDefaultButton = owned->mCancelButton = nullptr;
    state.deadWindows.push_back(std::move(owned));
    if (wasActive)
    {
        UpdateActivation();
    }
    return kNoErr;
}

std::uint32_t GetWindowClass(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowClass");
    return w ? w->mClass : 0;
}

std::uint32_t GetWindowAttributes(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowAttributes");
    return w ? w->mAttributes : 0;
}

OSStatus ChangeWindowAttributes(WindowRef inWindow, std::uint32_t inSet, std::uint32_t inClear)
{
    Window* w = CheckWindow(inWindow, "ChangeWindowAttributes");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mAttributes = (w->mAttributes | inSet) & ~inClear;
    StandardWindowSetup(w);
    return kNoErr;
}

EventTarget* GetWindowEventTarget(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowEventTarget");
    return w ? &w->mTarget : nullptr;
}

ViewRef GetContentView(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetContentView");
    return w ? w->mRoot : nullptr;
}

OSStatus ShowWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "ShowWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    if (!w->mVisible)
    {
        DispatchGuard guard;
        w->mVisible = true;
        BringToFrontOfLayer(w);
        UpdateActivation();
    }
    return kNoErr;
}

OSStatus HideWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "HideWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    if (w->mVisible)
    {
        DispatchGuard guard;
        w->mVisible = false;
        UpdateActivation();
        if (CheckWindow(w, nullptr))
        {
            Activate(w, false);
        }
    }
    return kNoErr;
}

bool IsWindowVisible(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "IsWindowVisible");
    return w && w->mVisible;
}

OSStatus SelectWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "SelectWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    BringToFrontOfLayer(w);
    UpdateActivation();
    return kNoErr;
}

OSStatus SendBehind(WindowRef inWindow, WindowRef inOther)
{
    Window* w = CheckWindow(inWindow, "SendBehind");
    if (w == nullptr || (inOther != nullptr && (!CheckWindow(inOther, "SendBehind") || inOther == w)))
    {
        return kParamErr;
    }
    auto& list = State().windows;
    auto it = std::find_if(list.begin(), list.end(), [&](auto& p) { return p.get() == w; });
    std::unique_ptr<Window> owned = std::move(*it);
    list.erase(it);
    const int layer = Layer(owned->mClass);
    if (inOther != nullptr && Layer(inOther->mClass) == layer)
    {
        auto other = std::find_if(list.begin(), list.end(), [&](auto& p) { return p.get() == inOther; });
        list.insert(other + 1, std::move(owned));
    }
    else
    {
        auto pos = std::find_if(list.begin(), list.end(), [&](auto& p) { return Layer(p->mClass) < layer; });
        list.insert(pos, std::move(owned));
    }
    if (w->mVisible)
    {
        UpdateActivation();
    }
    return kNoErr;
}

bool IsWindowActive(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "IsWindowActive");
    return w && w->mActive;
}

OSStatus CollapseWindow(WindowRef inWindow, bool inCollapse)
{
    Window* w = CheckWindow(inWindow, "CollapseWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mCollapsed = inCollapse;
    return kNoErr;
}

bool IsWindowCollapsed(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "IsWindowCollapsed");
    return w && w->mCollapsed;
}

std::vector<WindowRef> WindowList()
{
    std::vector<WindowRef> list;
    for (auto& w : State().windows)
    {
        list.push_back(w.get());
    }
    return list;
}

WindowRef FrontWindow()
{
    for (auto& w : State().windows)
    {
        if (w->mVisible)
        {
            return w.get();
        }
    }
    return nullptr;
}

WindowRef FrontWindowOfClass(std::uint32_t inClass)
{
    for (auto& w : State().windows)
    {
        if (w->mVisible && w->mClass == inClass)
        {
            return w.get();
        }
    }
    return nullptr;
}

WindowRef ActiveWindow()
{
    for (auto& w : State().windows)
    {
        if (w->mActive && !IsFloatingClass(w->mClass))
        {
            return w.get();
        }
    }
    return nullptr;
}

Rect GetWindowBounds(WindowRef inWindow, std::uint16_t inRegion)
{
    Window* w = CheckWindow(inWindow, "GetWindowBounds");
    if (w == nullptr)
    {
        return Rect{};
    }
    return inRegion == kWindowStructureRgn ? Structure(*w) : w->mContent;
}

namespace
{

void SetContent(Window* inWindow, const Rect& inContent, std::uint32_t inExtraAttributes)
{
    const Rect previous = inWindow->mContent;
    if (previous == inContent)
    {
        return;
    }
    DispatchGuard guard;
    inWindow->mContent = inContent;
    std::uint32_t attributes = inExtraAttributes;
    if (previous.x != inContent.x || previous.y != inContent.y)
    {
        attributes |= kBoundsChangeOriginChanged;
    }
    if (previous.w != inContent.w || previous.h != inContent.h)
    {
        attributes |= kBoundsChangeSizeChanged;
        SetViewFrame(inWindow->mRoot, Rect{0, 0, inContent.w, inContent.h});
    }
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    Event event(kClassWindow, kWindowBoundsChanged);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    event.SetParam(kParamAttributes, kTypeUInt32, attributes);
    event.SetParam(kParamPreviousBounds, kTypeHIRect, previous);
    event.SetParam(kParamCurrentBounds, kTypeHIRect, inContent);
    inWindow->mTarget.Send(event);
}

} // namespace

OSStatus SetWindowBounds(WindowRef inWindow, std::uint16_t inRegion, const Rect& inBounds)
{
    Window* w = CheckWindow(inWindow, "SetWindowBounds");
    if (w == nullptr || inBounds.w < 0 || inBounds.h < 0)
    {
        return kParamErr;
    }
    Rect content = inBounds;
    if (inRegion == kWindowStructureRgn)
    {
        const double title = TitleBarHeight(w->mClass);
        content = Rect{inBounds.x, inBounds.y + title, inBounds.w, std::max(0.0, inBounds.h - title)};
    }
    SetContent(w, content, 0);
    return kNoErr;
}

OSStatus TransitionWindowTo(WindowRef inWindow, const Rect& inStructure)
{
    return SetWindowBounds(inWindow, kWindowStructureRgn, inStructure);
}

OSStatus ConstrainWindowToScreen(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "ConstrainWindowToScreen");
    if (w == nullptr)
    {
        return kParamErr;
    }
    Rect frame = Structure(*w);
    const Rect screen{0, metrics::kMenuBarHeight, metrics::kScreen.w, metrics::kScreen.h - metrics::kMenuBarHeight};
    frame.w = std::min(frame.w, screen.w);
    frame.h = std::min(frame.h, screen.h);
    frame.x = std::clamp(frame.x, screen.x, screen.Right() - frame.w);
    frame.y = std::clamp(frame.y, screen.y, screen.Bottom() - frame.h);
    return SetWindowBounds(w, kWindowStructureRgn, frame);
}

std::int16_t FindWindow(Point inGlobal, WindowRef* outWindow)
{
    if (outWindow != nullptr)
    {
        *outWindow = nullptr;
    }
    if (inGlobal.y < metrics::kMenuBarHeight && metrics::kScreen.Contains(inGlobal))
    {
        return kInMenuBar;
    }
    for (auto& owned : State().windows)
    {
        Window& w = *owned;
        if (!w.mVisible || !Structure(w).Contains(inGlobal))
        {
            continue;
        }
        if (outWindow != nullptr)
        {
            *outWindow = &w;
        }
        if (w.mContent.Contains(inGlobal))
        {
            const Rect grow{w.mContent.Right() - metrics::kGrowBoxSize, w.mContent.Bottom() - metrics::kGrowBoxSize,
                            metrics::kGrowBoxSize, metrics::kGrowBoxSize};
            if ((w.mAttributes & kWindowResizableAttribute) != 0 && grow.Contains(inGlobal))
            {
                return kInGrow;
            }
            return kInContent;
        }
        if ((w.mAttributes & kWindowCloseBoxAttribute) != 0 && BoxRect(w, metrics::kCloseBoxLeft).Contains(inGlobal))
        {
            return kInGoAway;
        }
        if ((w.mAttributes & kWindowCollapseBoxAttribute) != 0 &&
            BoxRect(w, metrics::kCollapseBoxLeft).Contains(inGlobal))
        {
            return kInCollapseBox;
        }
        if ((w.mAttributes & (kWindowHorizontalZoomAttribute | kWindowVerticalZoomAttribute)) != 0 &&
            BoxRect(w, metrics::kZoomBoxLeft).Contains(inGlobal))
        {
            return w.mZoomed ? kInZoomIn : kInZoomOut;
        }
        return kInDrag;
    }
    return kInDesk;
}

OSStatus SetWindowTitle(WindowRef inWindow, const std::u16string& inTitle)
{
    Window* w = CheckWindow(inWindow, "SetWindowTitle");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mTitle = inTitle;
    return kNoErr;
}

std::u16string GetWindowTitle(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowTitle");
    return w ? w->mTitle : std::u16string();
}

OSStatus SetWindowModified(WindowRef inWindow, bool inModified)
{
    Window* w = CheckWindow(inWindow, "SetWindowModified");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mModified = inModified;
    return kNoErr;
}

bool IsWindowModified(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "IsWindowModified");
    return w && w->mModified;
}

OSStatus SetWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                           std::size_t inSize)
{
    Window* w = CheckWindow(inWindow, "SetWindowProperty");
    return w ? w->mProperties.Set(inCreator, inTag, inData, inSize) : kParamErr;
}

OSStatus GetWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag, void* outData,
                           std::size_t inSize)
{
    Window* w = CheckWindow(inWindow, "GetWindowProperty");
    return w ? w->mProperties.Get(inCreator, inTag, outData, inSize) : kParamErr;
}

OSStatus RemoveWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag)
{
    Window* w = CheckWindow(inWindow, "RemoveWindowProperty");
    return w ? w->mProperties.Remove(inCreator, inTag) : kParamErr;
}

OSStatus ShowSheetWindow(WindowRef inSheet, WindowRef inParent)
{
    Window* sheet = CheckWindow(inSheet, "ShowSheetWindow");
    Window* parent = CheckWindow(inParent, "ShowSheetWindow");
    if (sheet == nullptr || parent == nullptr || sheet == parent || parent->mSheet != nullptr ||
        sheet->mSheetParent != nullptr)
    {
        return kParamErr;
    }
    sheet->mSheetParent = parent;
    parent->mSheet = sheet;
    ++parent->mRetain;
    const Rect content{parent->mContent.x + (parent->mContent.w - sheet->mContent.w) / 2, parent->mContent.y,
                       sheet->mContent.w, sheet->mContent.h};
    SetContent(sheet, content, 0);
    return ShowWindow(sheet);
}

OSStatus HideSheetWindow(WindowRef inSheet)
{
    Window* sheet = CheckWindow(inSheet, "HideSheetWindow");
    if (sheet == nullptr || sheet->mSheetParent == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    Window* parent = sheet->mSheetParent;
    sheet->mSheetParent = nullptr;
    parent->mSheet = nullptr;
    HideWindow(sheet);
    ReleaseWindow(parent);
    return kNoErr;
}

WindowRef GetSheetParent(WindowRef inSheet)
{
    Window* sheet = CheckWindow(inSheet, "GetSheetParent");
    return sheet ? sheet->mSheetParent : nullptr;
}

OSStatus RunAppModalLoopForWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "RunAppModalLoopForWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    InstallInputSource();
    ServerState& state = State();
    state.modalStack.push_back(w);
    const bool quit = MainLoop().Run([&] { return State().script.empty(); });
    state.modalStack.erase(std::remove(state.modalStack.begin(), state.modalStack.end(), w), state.modalStack.end());
    if (!quit)
    {
        Log("modal loop ended: the script is exhausted");
        return kEventNotHandled;
    }
    return kNoErr;
}

OSStatus QuitAppModalLoopForWindow(WindowRef inWindow)
{
    ServerState& state = State();
    if (std::find(state.modalStack.begin(), state.modalStack.end(), inWindow) == state.modalStack.end())
    {
        Log("QuitAppModalLoopForWindow: the window runs no modal loop");
        return kParamErr;
    }
    MainLoop().Quit();
    return kNoErr;
}

WindowRef ModalWindow()
{
    return State().modalStack.empty() ? nullptr : State().modalStack.back();
}

OSStatus SetWindowDefaultButton(WindowRef inWindow, ViewRef inButton)
{
    Window* w = CheckWindow(inWindow, "SetWindowDefaultButton");
    if (w == nullptr || (inButton != nullptr && !CheckView(inButton, "SetWindowDefaultButton")))
    {
        return kParamErr;
    }
    w->mDefaultButton = inButton;
    return kNoErr;
}

OSStatus SetWindowCancelButton(WindowRef inWindow, ViewRef inButton)
{
    Window* w = CheckWindow(inWindow, "SetWindowCancelButton");
    if (w == nullptr || (inButton != nullptr && !CheckView(inButton, "SetWindowCancelButton")))
    {
        return kParamErr;
    }
    w->mCancelButton = inButton;
    return kNoErr;
}

ViewRef GetWindowDefaultButton(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowDefaultButton");
    return w ? w->mDefaultButton : nullptr;
}

ViewRef GetWindowCancelButton(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowCancelButton");
    return w ? w->mCancelButton : nullptr;
}

// ---- Views ---------------------------------------------------------------------------------------------------

ViewRef CreateView(ViewKind inKind, const Rect& inFrame)
{
    auto* view = new View;
    view->mKind = inKind;
    view->mFrame = inFrame;
    if (inKind == ViewKind::kCheckBox || inKind == ViewKind::kRadioButton)
    {
        view->mMaximum = 1;
    }
    if (inKind == ViewKind::kDataBrowser)
    {
        view->mBrowser = std::make_unique<BrowserState>();
    }
    State().views.insert(view);
    StandardViewSetup(view);
    return view;
}

FourCharCode GetControlKindCode(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlKindCode");
    if (v == nullptr)
    {
        return 0;
    }
    switch (v->mKind)
    {
    case ViewKind::kPushButton:
        return FourCC("push");
    case ViewKind::kCheckBox:
        return FourCC("cbox");
    case ViewKind::kRadioButton:
        return FourCC("rdio");
    case ViewKind::kStaticText:
        return FourCC("stxt");
    case ViewKind::kEditText:
        return FourCC("etxt");
    case ViewKind::kPopupButton:
        return FourCC("popb");
    case ViewKind::kSlider:
        return FourCC("sldr");
    case ViewKind::kScrollBar:
        return FourCC("sbar");
    case ViewKind::kLittleArrows:
        return FourCC("larr");
    case ViewKind::kTabs:
        return FourCC("tabs");
    case ViewKind::kProgressBar:
        return FourCC("prgb");
    case ViewKind::kImage:
        return FourCC("imag");
    case ViewKind::kSeparator:
        return FourCC("sepa");
    case ViewKind::kGroupBox:
        return FourCC("grpb");
    case ViewKind::kDataBrowser:
        return FourCC("datb");
    case ViewKind::kScrollView:
        return FourCC("scrl");
    case ViewKind::kClock:
        return FourCC("clck");
    case ViewKind::kSearchField:
        return FourCC("srfd");
    case ViewKind::kComboBox:
        return FourCC("cbbx");
    case ViewKind::kBevelButton:
        return FourCC("bevl");
    case ViewKind::kRoundButton:
        return FourCC("rndb");
    case ViewKind::kChasingArrows:
        return FourCC("carr");
    case ViewKind::kIcon:
        return FourCC("icon");
    case ViewKind::kSegmented:
        return FourCC("sgmt");
    case ViewKind::kUserPane:
    default:
        return FourCC("upan");
    }
}

bool IsValidView(ViewRef inView)
{
    return CheckView(inView, nullptr) != nullptr;
}

ViewKind GetViewKind(ViewRef inView)
{
    View* v = CheckView(inView, "GetViewKind");
    return v ? v->mKind : ViewKind::kUserPane;
}

OSStatus AddSubview(ViewRef inParent, ViewRef inChild)
{
    View* parent = CheckView(inParent, "AddSubview");
    View* child = CheckView(inChild, "AddSubview");
    if (parent == nullptr || child == nullptr || Contains(child, parent) ||
        (child->mWindow != nullptr && child->mWindow->mRoot == child))
    {
        return kParamErr;
    }
    DispatchGuard guard;
    ForgetViews(child->mWindow, child);
    UnlinkFromParent(child);
    parent->mChildren.push_back(child);
    child->mParent = parent;
    child->mTarget.SetParent(&parent->mTarget);
    SetWindowOfTree(child, parent->mWindow);
    return kNoErr;
}

OSStatus RemoveFromSuperview(ViewRef inView)
{
    View* v = CheckView(inView, "RemoveFromSuperview");
    if (v == nullptr || v->mParent == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    ForgetViews(v->mWindow, v);
    UnlinkFromParent(v);
    SetWindowOfTree(v, nullptr);
    return kNoErr;
}

OSStatus DisposeView(ViewRef inView)
{
    View* v = CheckView(inView, "DisposeView");
    if (v == nullptr || (v->mWindow != nullptr && v->mWindow->mRoot == v))
    {
        return kParamErr;
    }
    DispatchGuard guard;
    ForgetViews(v->mWindow, v);
    UnlinkFromParent(v);
    FreeViewTree(v);
    return kNoErr;
}

ViewRef GetSuperview(ViewRef inView)
{
    View* v = CheckView(inView, "GetSuperview");
    return v ? v->mParent : nullptr;
}

std::vector<ViewRef> GetSubviews(ViewRef inView)
{
    View* v = CheckView(inView, "GetSubviews");
    return v ? v->mChildren : std::vector<ViewRef>();
}

WindowRef GetViewWindow(ViewRef inView)
{
    View* v = CheckView(inView, "GetViewWindow");
    return v ? v->mWindow : nullptr;
}

EventTarget* GetViewEventTarget(ViewRef inView)
{
    View* v = CheckView(inView, "GetViewEventTarget");
    return v ? &v->mTarget : nullptr;
}

Rect GetViewFrame(ViewRef inView)
{
    View* v = CheckView(inView, "GetViewFrame");
    return v ? v->mFrame : Rect{};
}

Rect GetViewBounds(ViewRef inView)
{
    View* v = CheckView(inView, "GetViewBounds");
    return v ? Rect{0, 0, v->mFrame.w, v->mFrame.h} : Rect{};
}

OSStatus SetViewFrame(ViewRef inView, const Rect& inFrame)
{
    View* v = CheckView(inView, "SetViewFrame");
    if (v == nullptr || inFrame.w < 0 || inFrame.h < 0)
    {
        return kParamErr;
    }
    if (!(v->mFrame == inFrame))
    {
        DispatchGuard guard;
        const Rect previous = v->mFrame;
        v->mFrame = inFrame;
        Event event(kClassControl, kControlBoundsChanged);
        event.SetParam(kParamDirectObject, kTypeControlRef, v);
        event.SetParam(kParamPreviousBounds, kTypeHIRect, previous);
        event.SetParam(kParamCurrentBounds, kTypeHIRect, inFrame);
        v->mTarget.Send(event);
    }
    return kNoErr;
}

namespace
{
// The view's origin in its window's content coordinates.
Point ContentOrigin(const View* inView)
{
    Point origin;
    for (const View* v = inView; v != nullptr && v->mParent != nullptr; v = v->mParent)
    {
        origin.x += v->mFrame.x;
        origin.y += v->mFrame.y;
    }
    return origin;
}
} // namespace

Point ConvertPoint(Point inPoint, ViewRef inFrom, ViewRef inTo)
{
    Point content = inPoint;
    if (inFrom != nullptr && CheckView(inFrom, "ConvertPoint"))
    {
        const Point origin = ContentOrigin(inFrom);
        content = Point{inPoint.x + origin.x, inPoint.y + origin.y};
    }
    if (inTo != nullptr && CheckView(inTo, "ConvertPoint"))
    {
        const Point origin = ContentOrigin(inTo);
        return Point{content.x - origin.x, content.y - origin.y};
    }
    return content;
}

Rect ViewGlobalBounds(ViewRef inView)
{
    View* v = CheckView(inView, "ViewGlobalBounds");
    if (v == nullptr)
    {
        return Rect{};
    }
    const Point origin = ContentOrigin(v);
    const Point window = v->mWindow ? Point{v->mWindow->mContent.x, v->mWindow->mContent.y} : Point{};
    return Rect{window.x + origin.x, window.y + origin.y, v->mFrame.w, v->mFrame.h};
}

View* Deepest(View* inView, Point inLocal)
{
    // Later subviews lie in front.
    for (auto it = inView->mChildren.rbegin(); it != inView->mChildren.rend(); ++it)
    {
        View* child = *it;
        if (child->mVisible && child->mFrame.Contains(inLocal))
        {
            return Deepest(child, Point{inLocal.x - child->mFrame.x, inLocal.y - child->mFrame.y});
        }
    }
    return inView;
}

ViewRef FindViewAt(WindowRef inWindow, Point inContentPoint)
{
    Window* w = CheckWindow(inWindow, "FindViewAt");
    return w ? Deepest(w->mRoot, inContentPoint) : nullptr;
}

OSStatus SetViewVisible(ViewRef inView, bool inVisible)
{
    View* v = CheckView(inView, "SetViewVisible");
    if (v == nullptr)
    {
        return kParamErr;
    }
    if (v->mVisible != inVisible)
    {
        DispatchGuard guard;
        v->mVisible = inVisible;
        SendControlEvent(v, kControlVisibilityChanged);
    }
    return kNoErr;
}

bool IsViewVisible(ViewRef inView)
{
    View* v = CheckView(inView, "IsViewVisible");
    return v && v->mVisible;
}

bool IsViewShown(ViewRef inView)
{
    View* v = CheckView(inView, "IsViewShown");
    if (v == nullptr || v->mWindow == nullptr || !v->mWindow->mVisible)
    {
        return false;
    }
    for (; v != nullptr; v = v->mParent)
    {
        if (!v->mVisible)
        {
            return false;
        }
    }
    return true;
}

OSStatus SetViewEnabled(ViewRef inView, bool inEnabled)
{
    View* v = CheckView(inView, "SetViewEnabled");
    if (v == nullptr)
    {
        return kParamErr;
    }
    if (v->mEnabled != inEnabled)
    {
        DispatchGuard guard;
        v->mEnabled = inEnabled;
        SendControlEvent(v, kControlEnabledStateChanged);
    }
    return kNoErr;
}

bool IsViewEnabled(ViewRef inView)
{
    View* v = CheckView(inView, "IsViewEnabled");
    return v && v->mEnabled;
}

OSStatus HiliteControl(ViewRef inView, std::int16_t inPart)
{
    View* v = CheckView(inView, "HiliteControl");
    if (v == nullptr)
    {
        return kParamErr;
    }
    if (v->mHilite != inPart)
    {
        DispatchGuard guard;
        v->mHilite = inPart;
        SendControlEvent(v, kControlHiliteChanged, &inPart);
    }
    return kNoErr;
}

std::int16_t GetControlHilite(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlHilite");
    return v ? v->mHilite : 0;
}

OSStatus SetControlValue(ViewRef inView, std::int32_t inValue)
{
    View* v = CheckView(inView, "SetControlValue");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mValue = std::clamp(inValue, v->mMinimum, std::max(v->mMinimum, v->mMaximum));
    return kNoErr;
}

std::int32_t GetControlValue(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlValue");
    return v ? v->mValue : 0;
}

OSStatus SetControlMinimum(ViewRef inView, std::int32_t inValue)
{
    View* v = CheckView(inView, "SetControlMinimum");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mMinimum = inValue;
    v->mMaximum = std::max(v->mMaximum, inValue);
    return SetControlValue(v, v->mValue);
}

std::int32_t GetControlMinimum(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlMinimum");
    return v ? v->mMinimum : 0;
}

OSStatus SetControlMaximum(ViewRef inView, std::int32_t inValue)
{
    View* v = CheckView(inView, "SetControlMaximum");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mMaximum = inValue;
    v->mMinimum = std::min(v->mMinimum, inValue);
    return SetControlValue(v, v->mValue);
}

std::int32_t GetControlMaximum(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlMaximum");
    return v ? v->mMaximum : 0;
}

OSStatus SetControlTitle(ViewRef inView, const std::u16string& inTitle)
{
    View* v = CheckView(inView, "SetControlTitle");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mTitle = inTitle;
    return kNoErr;
}

std::u16string GetControlTitle(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlTitle");
    return v ? v->mTitle : std::u16string();
}

OSStatus SetControlText(ViewRef inView, const std::u16string& inText)
{
    View* v = CheckView(inView, "SetControlText");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mText = inText;
    return kNoErr;
}

std::u16string GetControlText(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlText");
    return v ? v->mText : std::u16string();
}

OSStatus SetControlID(ViewRef inView, FourCharCode inSignature, std::int32_t inId)
{
    View* v = CheckView(inView, "SetControlID");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mSignature = inSignature;
    v->mId = inId;
    return kNoErr;
}

namespace
{
View* FindById(View* inView, FourCharCode inSignature, std::int32_t inId)
{
    if (inView->mSignature == inSignature && inView->mId == inId)
    {
        return inView;
    }
    for (View* child : inView->mChildren)
    {
        if (View* found = FindById(child, inSignature, inId))
        {
            return found;
        }
    }
    return nullptr;
}
} // namespace

ViewRef FindControlByID(WindowRef inWindow, FourCharCode inSignature, std::int32_t inId)
{
    Window* w = CheckWindow(inWindow, "FindControlByID");
    return w ? FindById(w->mRoot, inSignature, inId) : nullptr;
}

OSStatus SetControlCommandID(ViewRef inView, std::uint32_t inCommand)
{
    View* v = CheckView(inView, "SetControlCommandID");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mCommand = inCommand;
    return kNoErr;
}

std::uint32_t GetControlCommandID(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlCommandID");
    return v ? v->mCommand : 0;
}

OSStatus SetControlProperty(ViewRef inView, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                            std::size_t inSize)
{
    View* v = CheckView(inView, "SetControlProperty");
    return v ? v->mProperties.Set(inCreator, inTag, inData, inSize) : kParamErr;
}

OSStatus GetControlProperty(ViewRef inView, FourCharCode inCreator, FourCharCode inTag, void* outData,
                            std::size_t inSize)
{
    View* v = CheckView(inView, "GetControlProperty");
    return v ? v->mProperties.Get(inCreator, inTag, outData, inSize) : kParamErr;
}

OSStatus RemoveControlProperty(ViewRef inView, FourCharCode inCreator, FourCharCode inTag)
{
    View* v = CheckView(inView, "RemoveControlProperty");
    return v ? v->mProperties.Remove(inCreator, inTag) : kParamErr;
}

OSStatus SendControlEvent(View* inView, std::uint32_t inKind, std::int16_t* ioPart, const Point* inLocal,
                          std::uint32_t inModifiers)
{
    Event event(kClassControl, inKind);
    event.SetParam(kParamDirectObject, kTypeControlRef, inView);
    if (ioPart != nullptr)
    {
        event.SetParam(kParamControlPart, kTypeControlPartCode, *ioPart);
    }
    if (inLocal != nullptr)
    {
        event.SetParam(kParamMouseLocation, kTypeHIPoint, *inLocal);
    }
    event.SetParam(kParamKeyModifiers, kTypeUInt32, inModifiers);
    const OSStatus status = inView->mTarget.Send(event);
    if (ioPart != nullptr && status == kNoErr)
    {
        event.GetParam(kParamControlPart, kTypeControlPartCode, *ioPart);
    }
    return status;
}

} // namespace pf
