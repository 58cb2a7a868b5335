// The GL layer an instance draws into in Cocoa mode: an EGL context on a pbuffer of the layer's size, wrapped in
// a GxCGLContext. A size change remakes the pbuffer and its wrapper and tells the instance again. Without an
// instance (none yet, or it went while the browser kept the layer) it draws the placeholder: a red square on
// grey, turning 60 degrees a second.
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

    bool ReadPixels(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba) override;

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
};
