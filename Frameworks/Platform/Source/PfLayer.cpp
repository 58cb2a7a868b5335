#include "PfLayer.h"

#include <algorithm>
#include <functional>

namespace pf
{

Layer::~Layer()
{
    for (Layer* sublayer : mSublayers)
    {
        sublayer->mSuperlayer = nullptr;
        sublayer->Release();
    }
}

Layer* Layer::Retain()
{
    ++mRetainCount;
    return this;
}

void Layer::Release()
{
    if (--mRetainCount == 0)
        delete this;
}

bool Layer::AddSublayer(Layer* inLayer)
{
    if (inLayer == nullptr)
        return false;
    for (const Layer* ancestor = this; ancestor != nullptr; ancestor = ancestor->mSuperlayer)
        if (ancestor == inLayer)
            return false;
    inLayer->Retain();
    inLayer->RemoveFromSuperlayer();
    inLayer->mSuperlayer = this;
    mSublayers.push_back(inLayer);
    return true;
}

void Layer::RemoveFromSuperlayer()
{
    if (mSuperlayer == nullptr)
        return;
    auto& siblings = mSuperlayer->mSublayers;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    mSuperlayer = nullptr;
    Release();
}

void Layer::SetBounds(const Rect& inBounds)
{
    const double dw = inBounds.w - mBounds.w;
    const double dh = inBounds.h - mBounds.h;
    mBounds = inBounds;
    if (dw != 0.0 || dh != 0.0)
    {
        mNeedsDisplay = true;
        for (Layer* sublayer : mSublayers)
            sublayer->Resize(dw, dh);
    }
}

void Layer::Resize(double inDw, double inDh)
{
    Rect bounds = mBounds;
    if ((mAutoresizingMask & kLayerWidthSizable) != 0)
        bounds.w = std::max(0.0, bounds.w + inDw);
    if ((mAutoresizingMask & kLayerHeightSizable) != 0)
        bounds.h = std::max(0.0, bounds.h + inDh);
    SetBounds(bounds);
}

void Layer::Display(double)
{
    mNeedsDisplay = false;
}

void GLLayer::Display(double inLayerTime)
{
    const int width = int(Bounds().w);
    const int height = int(Bounds().h);
    if (width <= 0 || height <= 0)
        return;
    if (width != mContextWidth || height != mContextHeight)
    {
        if (!PrepareContext(width, height))
            return;
        mContextWidth = width;
        mContextHeight = height;
    }
    ClearNeedsDisplay();
    DrawInContext(inLayerTime);
    ++mDisplayCount;
}

LayerHost::~LayerHost()
{
    SetRoot(nullptr);
}

void LayerHost::SetRoot(Layer* inRoot)
{
    DropSurfaces();
    if (inRoot != nullptr)
        inRoot->Retain();
    if (mRoot != nullptr)
        mRoot->Release();
    mRoot = inRoot;
}

void LayerHost::Place(WindowRef inWindow, const Rect& inContentRect)
{
    mWindow = inWindow;
    mRect = inContentRect;
    if (mRoot != nullptr)
        mRoot->SetBounds(Rect{0, 0, inContentRect.w, inContentRect.h});
}

void LayerHost::DisplayIfNeeded(double inLayerTime)
{
    if (mRoot == nullptr)
        return;
    // The tree may change while it draws: each layer is held while it displays.
    std::function<void(Layer*)> visit = [&](Layer* inLayer)
    {
        inLayer->Retain();
        if (inLayer->NeedsDisplay() || inLayer->IsAsynchronous())
            inLayer->Display(inLayerTime);
        const std::vector<Layer*> sublayers = inLayer->Sublayers();
        for (Layer* sublayer : sublayers)
            visit(sublayer);
        inLayer->Release();
    };
    visit(mRoot);
    DropSurfaces();
    if (mWindow != nullptr && IsValidWindow(mWindow))
        AddSurfaces(mRoot, Point{mRect.x, mRect.y});
}

void LayerHost::DropSurfaces()
{
    for (const Shown& shown : mShown)
    {
        DisposeGLSurface(shown.surface);
        shown.layer->Release();
    }
    mShown.clear();
}

void LayerHost::AddSurfaces(Layer* inLayer, Point inOrigin)
{
    const Rect& bounds = inLayer->Bounds();
    const Point origin{inOrigin.x + bounds.x, inOrigin.y + bounds.y};
    if (auto* gl = dynamic_cast<GLLayer*>(inLayer); gl != nullptr && !bounds.Empty())
    {
        gl->Retain();
        const GLSurfaceRef surface = CreateGLSurface([gl](int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba)
                                                     { return gl->ReadPixels(inWidth, inHeight, outRgba); });
        Rect rect{origin.x, origin.y, bounds.w, bounds.h};
        int width = int(bounds.w);
        int height = int(bounds.h);
        gl->HeldSize(width, height);
        if (width < int(bounds.w))
            rect.w = width;
        if (height < int(bounds.h))
            rect = Rect{rect.x, rect.y + bounds.h - height, rect.w, double(height)};
        PlaceGLSurface(surface, mWindow, rect, rect.Intersect(mRect));
        SetGLSurfaceVisible(surface, true);
        mShown.push_back(Shown{gl, surface});
    }
    for (Layer* sublayer : inLayer->Sublayers())
        AddSurfaces(sublayer, origin);
}

} // namespace pf
