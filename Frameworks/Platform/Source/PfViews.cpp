// Views and controls: the view tree, its geometry, and the controls' values, titles and properties.
#include "PfWindowServerState.h"

#include <algorithm>

namespace pf
{

namespace
{

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

OSStatus GetControlID(ViewRef inView, FourCharCode* outSignature, std::int32_t* outId)
{
    View* v = CheckView(inView, "GetControlID");
    if (v == nullptr)
    {
        return kParamErr;
    }
    if (outSignature != nullptr)
    {
        *outSignature = v->mSignature;
    }
    if (outId != nullptr)
    {
        *outId = v->mId;
    }
    return kNoErr;
}

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

OSStatus GetControlPropertySize(ViewRef inView, FourCharCode inCreator, FourCharCode inTag, std::size_t& outSize)
{
    View* v = CheckView(inView, "GetControlPropertySize");
    return v ? v->mProperties.Size(inCreator, inTag, outSize) : kParamErr;
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
