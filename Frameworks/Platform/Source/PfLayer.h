// Layers as the browser's compositor keeps them: a reference-counted tree with bounds, autoresizing, opacity and a
// needs-display flag, and GL layers whose pixels the GL side draws and reads back. No GL here: the host's driver
// shows each GL layer through a GL surface of the window server.
#pragma once

#include "PfGeometry.h"
#include "PfSurface.h"

#include <cstdint>
#include <vector>

namespace pf
{

// Autoresizing mask bits, the compositor's numbers.
constexpr std::uint32_t kLayerNotSizable = 0;
constexpr std::uint32_t kLayerMinXMargin = 1u << 0;
constexpr std::uint32_t kLayerWidthSizable = 1u << 1;
constexpr std::uint32_t kLayerMaxXMargin = 1u << 2;
constexpr std::uint32_t kLayerMinYMargin = 1u << 3;
constexpr std::uint32_t kLayerHeightSizable = 1u << 4;
constexpr std::uint32_t kLayerMaxYMargin = 1u << 5;

class Layer
{
public:
    // Retain count 1.
    Layer() = default;
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    Layer* Retain();
    // Deletes the layer at 0, releasing its sublayers.
    void Release();
    std::uint32_t RetainCount() const { return mRetainCount; }

    // Retains the sublayer, taking it from its former superlayer. A layer cannot hold itself or an ancestor.
    bool AddSublayer(Layer* inLayer);
    // Releases the layer: it may go.
    void RemoveFromSuperlayer();
    const std::vector<Layer*>& Sublayers() const { return mSublayers; }
    Layer* Superlayer() const { return mSuperlayer; }

    // The rectangle in the superlayer's coordinates. A size change resizes the sublayers by their masks and marks
    // the layer for display.
    void SetBounds(const Rect& inBounds);
    const Rect& Bounds() const { return mBounds; }
    void SetAutoresizingMask(std::uint32_t inMask) { mAutoresizingMask = inMask; }
    std::uint32_t AutoresizingMask() const { return mAutoresizingMask; }
    void SetOpaque(bool inOpaque) { mOpaque = inOpaque; }
    bool IsOpaque() const { return mOpaque; }
    // An asynchronous layer displays at every pass of the driver.
    void SetAsynchronous(bool inAsynchronous) { mAsynchronous = inAsynchronous; }
    bool IsAsynchronous() const { return mAsynchronous; }
    void SetNeedsDisplay() { mNeedsDisplay = true; }
    bool NeedsDisplay() const { return mNeedsDisplay; }

    // Draws the layer's content and clears the flag. The base layer has none.
    virtual void Display(double inLayerTime);

protected:
    virtual ~Layer();
    void ClearNeedsDisplay() { mNeedsDisplay = false; }

private:
    void Resize(double inDw, double inDh);

    std::uint32_t mRetainCount = 1;
    Layer* mSuperlayer = nullptr;
    std::vector<Layer*> mSublayers;
    Rect mBounds;
    std::uint32_t mAutoresizingMask = kLayerNotSizable;
    bool mOpaque = false;
    bool mAsynchronous = false;
    bool mNeedsDisplay = false;
};

// A layer drawn with GL. Its context is made before the first drawing and again whenever its pixel size changed
// since; then it draws. An empty layer is not displayed.
class GLLayer : public Layer
{
public:
    void Display(double inLayerTime) final;
    // The drawn pixels as a surface reads them; false when there are none.
    virtual bool ReadPixels(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba) = 0;
    // Cuts a size to the pixels the layer holds, which cover its bottom-left corner as GL keeps them: a context
    // may hold fewer than the layer's (GL's limits). The whole layer unless told otherwise.
    virtual void HeldSize(int& /*ioWidth*/, int& /*ioHeight*/) const {}
    int DisplayCount() const { return mDisplayCount; }

protected:
    // False when no context could be made: nothing is drawn.
    virtual bool PrepareContext(int inWidth, int inHeight) = 0;
    virtual void DrawInContext(double inLayerTime) = 0;

private:
    int mContextWidth = -1;
    int mContextHeight = -1;
    int mDisplayCount = 0;
};

// The host's driver: shows a layer tree in a window's content. It retains the root; every GL layer of the tree
// shows through a GL surface at its place, read back when a snapshot is taken.
class LayerHost
{
public:
    LayerHost() = default;
    ~LayerHost();
    LayerHost(const LayerHost&) = delete;
    LayerHost& operator=(const LayerHost&) = delete;

    void SetRoot(Layer* inRoot);
    Layer* Root() const { return mRoot; }
    // The root takes the rectangle's size (its sublayers follow their masks); the tree shows at the rectangle.
    void Place(WindowRef inWindow, const Rect& inContentRect);
    // Displays every layer that needs it or is asynchronous, parents first, then refits the surfaces.
    void DisplayIfNeeded(double inLayerTime);

private:
    void DropSurfaces();
    void AddSurfaces(Layer* inLayer, Point inOrigin);

    Layer* mRoot = nullptr;
    WindowRef mWindow = nullptr;
    Rect mRect;
    struct Shown
    {
        GLLayer* layer;
        GLSurfaceRef surface;
    };
    std::vector<Shown> mShown;
};

} // namespace pf
