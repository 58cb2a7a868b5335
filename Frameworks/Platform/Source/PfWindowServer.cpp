// The server's state, log and checks, and the windows' lifetime, layering and order.
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

} // namespace

Rect Structure(const Window& inWindow)
{
    const double title = TitleBarHeight(inWindow.mClass);
    return Rect{inWindow.mContent.x, inWindow.mContent.y - title, inWindow.mContent.w, inWindow.mContent.h + title};
}

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

// The active window is the frontmost visible non-floating window.
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

OSStatus Properties::Size(FourCharCode inCreator, FourCharCode inTag, std::size_t& outSize) const
{
    for (const Property& p : mList)
    {
        if (p.creator == inCreator && p.tag == inTag)
        {
            outSize = p.bytes.size();
            return kNoErr;
        }
    }
    return kPropertyNotFound;
}

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
    if (state.currentPort == &owned->mPort)
    {
        state.currentPort = nullptr;
    }
    if (state.userFocusWindow == owned.get())
    {
        state.userFocusWindow = nullptr;
    }
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

} // namespace pf
