// The drawing contexts on Linux: EGL on Mesa's surfaceless platform, so no display is needed. GxAGLContext owns an
// OpenGL compatibility-profile context and draws into a framebuffer object of its size (RGBA8 colour, 16-bit
// depth); the picture stays there for read-back. GxCGLContext wraps a context someone else owns.
//
// EGL handles appear here as void pointers (their EGL types), so this header pulls in no EGL or X11 headers.
#pragma once

#include "CxCoordinates.h"
#include "GxContext.h"
#include "PfSurface.h"

// The process's EGL display, initialised once on first use (thread-safe); null when EGL cannot be started.
void* GxEglDisplay();

class GxAGLContext : public GxContext
{
public:
    // The port form: a window's port, or null for none; bounds are in its coordinates (y down). The clip is
    // kept, not applied: the framebuffer holds exactly the bounds.
    GxAGLContext(pf::PortRef inPort, const CxRect& inBounds, const CxRect& inClip);
    // The view form: fitted to the view's bounds cut by its ancestors, refitted as they change.
    explicit GxAGLContext(pf::ViewRef inView);
    // The window form: the whole content, refitted as it resizes.
    explicit GxAGLContext(pf::WindowRef inWindow);
    ~GxAGLContext() override;

    // Attach the picture to, and detach it from, the window server's surface.
    void Show() override;
    void Hide() override;
    // Makes the context current with its framebuffer bound.
    void MakeCurrent() override;
    // Finishes the drawing; the picture stays in the framebuffer.
    void SwapBuffers() override;

    // Resizes the framebuffer to the bounds and sets the viewport (0, 0, width, height).
    void AdjustToBounds(const CxRect& inBounds, const CxRect& inClip);
    // The view form's fit: the view's bounds in its window's content, cut by every enclosing view.
    void AdjustToView();

    bool IsValid() const { return mContext != nullptr; }
    pf::PortRef Port() const { return mPort; }
    pf::GLSurfaceRef Surface() const { return mSurface; }
    bool IsShown() const { return mShown; }
    const CxRect& Bounds() const { return mBounds; }
    const CxRect& Clip() const { return mClip; }
    void* EglContext() const { return mContext; }

private:
    void Create();
    void Resize(int inWidth, int inHeight);
    bool ReadBack(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba);
    void Place();

    void* mContext = nullptr; // EGLContext
    pf::PortRef mPort = nullptr;
    pf::ViewRef mView = nullptr;
    pf::WindowRef mWindow = nullptr;
    pf::GLSurfaceRef mSurface = nullptr;
    pf::HandlerRef mHandler;
    bool mShown = false;
    CxRect mBounds;
    CxRect mClip;
    unsigned int mFramebuffer = 0;
    unsigned int mColorBuffer = 0;
    unsigned int mDepthBuffer = 0;
};

class GxCGLContext : public GxContext
{
public:
    // A context made elsewhere (an EGLContext on GxEglDisplay()), current with the given surfaces (none by
    // default). It is not destroyed here.
    explicit GxCGLContext(void* inContext, void* inDrawSurface = nullptr, void* inReadSurface = nullptr);
    ~GxCGLContext() override;

    void Show() override {}
    void Hide() override {}
    void MakeCurrent() override;
    // Flushes the drawing.
    void SwapBuffers() override;

private:
    void* mContext = nullptr;
    void* mDrawSurface = nullptr;
    void* mReadSurface = nullptr;
};

// Remembers EGL's current display, context and surfaces, and makes them current again on destruction.
class GxContextSaver
{
public:
    GxContextSaver();
    ~GxContextSaver();
    GxContextSaver(const GxContextSaver&) = delete;
    GxContextSaver& operator=(const GxContextSaver&) = delete;

private:
    void* mDisplay = nullptr;
    void* mContext = nullptr;
    void* mDrawSurface = nullptr;
    void* mReadSurface = nullptr;
};
