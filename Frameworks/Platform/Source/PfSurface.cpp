#include "PfSurface.h"
#include "PfCairoCanvas.h"
#include "PfTheme.h"

#include "PfWindowServerState.h"

#include <algorithm>
#include <cmath>

namespace pf
{

namespace
{

GLSurface* CheckSurface(GLSurfaceRef inSurface, const char* inCall)
{
    for (auto& s : State().surfaces)
    {
        if (s.get() == inSurface && inSurface != nullptr)
        {
            return inSurface;
        }
    }
    if (inCall != nullptr)
    {
        Log(std::string(inCall) + ": bad surface reference");
    }
    return nullptr;
}

Port* CheckPort(PortRef inPort, const char* inCall)
{
    for (auto& w : State().windows)
    {
        if (&w->mPort == inPort)
        {
            return inPort;
        }
    }
    Log(std::string(inCall) + ": bad port reference");
    return nullptr;
}

} // namespace

PortRef GetWindowPort(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowPort");
    return w ? &w->mPort : nullptr;
}

WindowRef GetPortWindow(PortRef inPort)
{
    Port* p = CheckPort(inPort, "GetPortWindow");
    return p ? p->mWindow : nullptr;
}

OSStatus SetPortOrigin(PortRef inPort, Point inOrigin)
{
    Port* p = CheckPort(inPort, "SetPortOrigin");
    if (p == nullptr)
    {
        return kParamErr;
    }
    p->mOrigin = inOrigin;
    return kNoErr;
}

Point GetPortOrigin(PortRef inPort)
{
    Port* p = CheckPort(inPort, "GetPortOrigin");
    return p ? p->mOrigin : Point{};
}

Rect GetPortBounds(PortRef inPort)
{
    Port* p = CheckPort(inPort, "GetPortBounds");
    if (p == nullptr)
    {
        return Rect{};
    }
    return Rect{p->mOrigin.x, p->mOrigin.y, p->mWindow->mContent.w, p->mWindow->mContent.h};
}

OSStatus SetPort(PortRef inPort)
{
    if (inPort != nullptr && CheckPort(inPort, "SetPort") == nullptr)
    {
        return kParamErr;
    }
    State().currentPort = inPort;
    return kNoErr;
}

PortRef GetPort()
{
    return State().currentPort;
}

OSStatus LocalToGlobal(Point& ioPoint)
{
    const Port* p = State().currentPort;
    if (p == nullptr)
    {
        Log("LocalToGlobal: no current port");
        return kParamErr;
    }
    ioPoint =
        Point{ioPoint.x - p->mOrigin.x + p->mWindow->mContent.x, ioPoint.y - p->mOrigin.y + p->mWindow->mContent.y};
    return kNoErr;
}

OSStatus GlobalToLocal(Point& ioPoint)
{
    const Port* p = State().currentPort;
    if (p == nullptr)
    {
        Log("GlobalToLocal: no current port");
        return kParamErr;
    }
    ioPoint =
        Point{ioPoint.x - p->mWindow->mContent.x + p->mOrigin.x, ioPoint.y - p->mWindow->mContent.y + p->mOrigin.y};
    return kNoErr;
}

Rect ViewClippedContentRect(ViewRef inView)
{
    View* v = CheckView(inView, "ViewClippedContentRect");
    if (v == nullptr)
    {
        return Rect{};
    }
    const Point origin = ConvertPoint(Point{}, v, nullptr);
    Rect rect{origin.x, origin.y, v->mFrame.w, v->mFrame.h};
    for (View* up = v->mParent; up != nullptr; up = up->mParent)
    {
        const Point upOrigin = ConvertPoint(Point{}, up, nullptr);
        rect = rect.Intersect(Rect{upOrigin.x, upOrigin.y, up->mFrame.w, up->mFrame.h});
    }
    return rect;
}

GLSurfaceRef CreateGLSurface(PixelSource inSource)
{
    auto surface = std::make_unique<GLSurface>();
    surface->mSource = std::move(inSource);
    State().surfaces.push_back(std::move(surface));
    return State().surfaces.back().get();
}

OSStatus DisposeGLSurface(GLSurfaceRef inSurface)
{
    GLSurface* s = CheckSurface(inSurface, "DisposeGLSurface");
    if (s == nullptr)
    {
        return kParamErr;
    }
    auto& list = State().surfaces;
    list.erase(std::remove_if(list.begin(), list.end(), [&](auto& p) { return p.get() == s; }), list.end());
    return kNoErr;
}

bool IsValidGLSurface(GLSurfaceRef inSurface)
{
    return CheckSurface(inSurface, nullptr) != nullptr;
}

OSStatus PlaceGLSurface(GLSurfaceRef inSurface, WindowRef inWindow, const Rect& inRect, const Rect& inClip)
{
    GLSurface* s = CheckSurface(inSurface, "PlaceGLSurface");
    if (s == nullptr || (inWindow != nullptr && !CheckWindow(inWindow, "PlaceGLSurface")))
    {
        return kParamErr;
    }
    s->mView = nullptr;
    s->mResized = nullptr;
    s->mWindow = inWindow;
    s->mRect = inRect;
    s->mClip = inClip;
    return kNoErr;
}

OSStatus BindGLSurfaceToView(GLSurfaceRef inSurface, ViewRef inView, std::function<void(const Rect&)> inResized)
{
    GLSurface* s = CheckSurface(inSurface, "BindGLSurfaceToView");
    if (s == nullptr || !CheckView(inView, "BindGLSurfaceToView"))
    {
        return kParamErr;
    }
    s->mView = inView;
    s->mResized = std::move(inResized);
    s->mWindow = inView->mWindow;
    s->mRect = s->mClip = ViewClippedContentRect(inView);
    return kNoErr;
}

OSStatus SetGLSurfaceVisible(GLSurfaceRef inSurface, bool inVisible)
{
    GLSurface* s = CheckSurface(inSurface, "SetGLSurfaceVisible");
    if (s == nullptr)
    {
        return kParamErr;
    }
    s->mVisible = inVisible;
    return kNoErr;
}

GLSurfaceInfo GetGLSurfaceInfo(GLSurfaceRef inSurface)
{
    GLSurface* s = CheckSurface(inSurface, "GetGLSurfaceInfo");
    if (s == nullptr)
    {
        return GLSurfaceInfo{};
    }
    return GLSurfaceInfo{s->mWindow, s->mRect, s->mClip, s->mVisible};
}

void RefitSurfaces()
{
    ServerState& state = State();
    if (state.refitting)
    {
        return;
    }
    state.refitting = true;
    std::vector<GLSurface*> bound;
    for (auto& s : state.surfaces)
    {
        if (s->mView != nullptr)
        {
            bound.push_back(s.get());
        }
    }
    for (GLSurface* s : bound)
    {
        if (!CheckSurface(s, nullptr) || s->mView == nullptr)
        {
            continue;
        }
        const Rect rect = ViewClippedContentRect(s->mView);
        const bool resized = rect.w != s->mRect.w || rect.h != s->mRect.h;
        s->mWindow = s->mView->mWindow;
        s->mRect = s->mClip = rect;
        if (resized && s->mResized)
        {
            const auto callback = s->mResized;
            callback(rect);
        }
    }
    state.refitting = false;
}

void ForgetSurfaces(const View* inView, const Window* inWindow)
{
    for (auto& s : State().surfaces)
    {
        if ((inView != nullptr && s->mView == inView) || (inWindow != nullptr && s->mWindow == inWindow))
        {
            s->mView = nullptr;
            s->mWindow = nullptr;
        }
    }
}

OSStatus SetThemeWindowBackground(WindowRef inWindow, std::int16_t inBrush)
{
    Window* w = CheckWindow(inWindow, "SetThemeWindowBackground");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mBrush = inBrush;
    return kNoErr;
}

std::uint32_t BrushColor(std::int16_t inBrush)
{
    // Our own theme: light greys for panels, white for documents.
    switch (inBrush)
    {
    case 1:
        return 0xE8E8E8; // dialog
    case 3:
        return 0xF0F0F0; // alert
    case 7:
        return 0xDCDCDC; // utility and floating
    case 53:
        return 0xD0D0D8; // sheet
    case 15:
    default:
        return 0xFFFFFF; // document
    }
}

std::uint32_t Snapshot::Pixel(int inX, int inY) const
{
    if (inX < 0 || inY < 0 || inX >= width || inY >= height)
    {
        return 0;
    }
    const std::uint8_t* p = &rgba[(std::size_t(inY) * std::size_t(width) + std::size_t(inX)) * 4];
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

namespace
{

// Each view draws in its own coordinates, clipped to its bounds cut by its ancestors'.
void DrawViews(View* inView, Canvas* ioCanvas)
{
    if (!inView->mVisible)
    {
        return;
    }
    Event event(kClassControl, kControlDraw);
    event.SetParam(kParamDirectObject, kTypeControlRef, static_cast<ViewRef>(inView));
    if (ioCanvas != nullptr)
    {
        event.SetParam(kParamCGContext, kTypeCGContext, ioCanvas);
        ioCanvas->Save();
        ioCanvas->ClipToRect(ViewClippedContentRect(inView));
        const Point origin = ConvertPoint(Point{}, inView, nullptr);
        ioCanvas->Translate(origin.x, origin.y);
    }
    inView->mTarget.Send(event);
    if (ioCanvas != nullptr)
    {
        ioCanvas->Restore();
    }
    const std::vector<View*> children = CheckView(inView, nullptr) ? inView->mChildren : std::vector<View*>();
    for (View* child : children)
    {
        if (CheckView(child, nullptr))
        {
            DrawViews(child, ioCanvas);
        }
    }
}

void Composite(Snapshot& ioShot, const GLSurface& inSurface)
{
    const int w = int(std::lround(inSurface.mRect.w));
    const int h = int(std::lround(inSurface.mRect.h));
    std::vector<std::uint8_t> pixels;
    if (w <= 0 || h <= 0 || !inSurface.mSource || !inSurface.mSource(w, h, pixels) ||
        pixels.size() < std::size_t(w) * std::size_t(h) * 4)
    {
        return;
    }
    const Rect visible =
        inSurface.mRect.Intersect(inSurface.mClip).Intersect(Rect{0, 0, double(ioShot.width), double(ioShot.height)});
    const int x0 = int(std::lround(inSurface.mRect.x));
    const int y0 = int(std::lround(inSurface.mRect.y));
    for (int y = int(std::lround(visible.y)); y < int(std::lround(visible.Bottom())); ++y)
    {
        for (int x = int(std::lround(visible.x)); x < int(std::lround(visible.Right())); ++x)
        {
            // GL rows run bottom first.
            const std::size_t from = (std::size_t(h - 1 - (y - y0)) * std::size_t(w) + std::size_t(x - x0)) * 4;
            const std::size_t to = (std::size_t(y) * std::size_t(ioShot.width) + std::size_t(x)) * 4;
            std::copy_n(&pixels[from], 4, &ioShot.rgba[to]);
        }
    }
}

} // namespace

Snapshot TakeSnapshot(WindowRef inWindow)
{
    Snapshot shot;
    Window* w = CheckWindow(inWindow, "TakeSnapshot");
    if (w == nullptr)
    {
        return shot;
    }
    DispatchGuard guard;
    RefitSurfaces();
    shot.width = int(std::lround(w->mContent.w));
    shot.height = int(std::lround(w->mContent.h));
    const std::uint32_t color = BrushColor(w->mBrush);
    shot.rgba.resize(std::size_t(shot.width) * std::size_t(shot.height) * 4);
    for (std::size_t i = 0; i < shot.rgba.size(); i += 4)
    {
        shot.rgba[i] = std::uint8_t(color >> 16);
        shot.rgba[i + 1] = std::uint8_t(color >> 8);
        shot.rgba[i + 2] = std::uint8_t(color);
        shot.rgba[i + 3] = 255;
    }
    // Views draw on a canvas holding the brush; without a canvas (no bitmap of that size) they still get the
    // events.
    std::unique_ptr<CairoCanvas> canvas = CairoCanvas::MakeBitmap(shot.width, shot.height);
    if (canvas)
    {
        canvas->SetFillColor(ThemeBrushColor(w->mBrush));
        canvas->FillRect(Rect{0, 0, double(shot.width), double(shot.height)});
    }
    SendWindowEvent(w, kWindowDrawContent);
    if (CheckWindow(w, nullptr))
    {
        DrawViews(w->mRoot, canvas.get());
    }
    if (!CheckWindow(w, nullptr))
    {
        return Snapshot{};
    }
    if (canvas)
    {
        const Image drawn = canvas->Snapshot();
        shot.rgba = drawn.mPixels;
    }
    for (auto& s : State().surfaces)
    {
        if (s->mWindow == w && s->mVisible && (s->mView == nullptr || IsViewShown(s->mView)))
        {
            Composite(shot, *s);
        }
    }
    return shot;
}

} // namespace pf
