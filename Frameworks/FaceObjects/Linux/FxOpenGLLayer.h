// The GL layer an instance draws into in Cocoa mode: an EGL context on a pbuffer of the layer's size, wrapped in
// a GxCGLContext. A size change remakes the pbuffer and its wrapper and tells the instance again. A layer larger
// than the driver's largest pbuffer or viewport gets a pbuffer cut to those limits: it holds the bottom-left corner
// of what the instance draws over the whole layer, and only those pixels show. Without an instance (none yet, or
// it went while the browser kept the layer) it draws the placeholder: a red square on grey, turning 60 degrees a
// second.
#pragma once

#include "PfLayer.h"

class FxPluginInstance;
class GxCGLContext;

class FxOpenGLLayer : public pf::GLLayer
{
public:
    FxOpenGLLayer() = default;

    void SetPluginInstance(FxPluginInstance* inInstance) { mInstance = inInstance; }
    FxPluginInstance* GetPluginInstance() const { return mInstance; }
    // Null until the first display made it.
    GxCGLContext* GetGxContext() const { return mGxContext; }

    // At most the pbuffer's pixels.
    bool ReadPixels(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba) override;
    void HeldSize(int& ioWidth, int& ioHeight) const override;
    // The pbuffer's size; 0 x 0 before the first display.
    int SurfaceWidth() const { return mSurfaceWidth; }
    int SurfaceHeight() const { return mSurfaceHeight; }

protected:
    ~FxOpenGLLayer() override;
    bool PrepareContext(int inWidth, int inHeight) override;
    void DrawInContext(double inLayerTime) override;

private:
    void DropSurface();

    void* mContext = nullptr; // EGLContext
    void* mConfig = nullptr;  // EGLConfig
    void* mPbuffer = nullptr; // EGLSurface
    GxCGLContext* mGxContext = nullptr;
    FxPluginInstance* mInstance = nullptr;
    int mSurfaceWidth = 0;
    int mSurfaceHeight = 0;
};
