// The drivers' limits on what a plug-in's context holds, when the first question finds nothing to ask: no context
// current, or the layer's context current on another thread. Each test runs in a process of its own, so each
// starts with nothing kept.
#include "FxGLLimits.h"

#include "GxGLContext.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <thread>

namespace
{

std::unique_ptr<GxAGLContext> Current()
{
    auto context = std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, 16, 16), CxRect(0, 0, 16, 16));
    context->MakeCurrent();
    return context;
}

// A context as the Cocoa layer makes its own: OpenGL compatibility, on a pbuffer config.
struct LayerContext
{
    EGLDisplay mDisplay = GxEglDisplay();
    EGLConfig mConfig = nullptr;
    EGLContext mContext = EGL_NO_CONTEXT;

    LayerContext()
    {
        const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_ALPHA_SIZE,
                                     8,
                                     EGL_NONE};
        EGLint count = 0;
        if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE ||
            eglChooseConfig(mDisplay, attributes, &mConfig, 1, &count) != EGL_TRUE || count < 1)
            return;
        const EGLint profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                  EGL_NONE};
        mContext = eglCreateContext(mDisplay, mConfig, EGL_NO_CONTEXT, profile);
    }
    ~LayerContext()
    {
        if (mContext != EGL_NO_CONTEXT)
            eglDestroyContext(mDisplay, mContext);
    }
    LayerContext(const LayerContext&) = delete;
    LayerContext& operator=(const LayerContext&) = delete;

    // The pbuffer limits and GL's viewport limits as the current context answers them.
    FxSurfaceLimits Expected() const
    {
        FxSurfaceLimits limits;
        EGLint width = 0;
        EGLint height = 0;
        eglGetConfigAttrib(mDisplay, mConfig, EGL_MAX_PBUFFER_WIDTH, &width);
        eglGetConfigAttrib(mDisplay, mConfig, EGL_MAX_PBUFFER_HEIGHT, &height);
        GLint dims[2] = {0, 0};
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
        limits.mViewportWidth = dims[0];
        limits.mViewportHeight = dims[1];
        limits.mWidth = std::min<int>(width, dims[0]);
        limits.mHeight = std::min<int>(height, dims[1]);
        return limits;
    }
};

// Holds a context current on a thread of its own until Release.
class Holder
{
public:
    Holder(EGLDisplay inDisplay, EGLContext inContext)
        : mThread(
              [this, inDisplay, inContext]
              {
                  const bool made = eglMakeCurrent(inDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, inContext) == EGL_TRUE;
                  mMade.set_value(made);
                  mRelease.get_future().wait();
                  eglMakeCurrent(inDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
                  eglReleaseThread();
              })
    {
    }
    ~Holder() { Release(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool Made() { return mMadeFuture.get(); }
    void Release()
    {
        if (!mThread.joinable())
            return;
        mRelease.set_value();
        mThread.join();
    }

private:
    std::promise<bool> mMade;
    std::future<bool> mMadeFuture = mMade.get_future();
    std::promise<void> mRelease;
    std::thread mThread;
};

void ExpectLimits(const FxSurfaceLimits& inActual, const FxSurfaceLimits& inExpected)
{
    EXPECT_EQ(inActual.mWidth, inExpected.mWidth);
    EXPECT_EQ(inActual.mHeight, inExpected.mHeight);
    EXPECT_EQ(inActual.mViewportWidth, inExpected.mViewportWidth);
    EXPECT_EQ(inActual.mViewportHeight, inExpected.mViewportHeight);
}

// A port context's limits asked with no context current give no limit that time; once a context is current they
// are GL's (Mesa here: 16384, so they cut a 16-bit rectangle).
TEST(FxGLLimitsTest, FramebufferLimitsAskedWithoutAContextAreAskedAgain)
{
    ASSERT_NE(GxEglDisplay(), nullptr);
    eglMakeCurrent(GxEglDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    const CxPoint none = FxFramebufferLimits();
    EXPECT_EQ(none.h, 0x7FFF);
    EXPECT_EQ(none.v, 0x7FFF);

    const auto context = Current();
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    ASSERT_GT(renderbuffer, 0);
    const CxPoint limits = FxFramebufferLimits();
    EXPECT_EQ(limits.h, std::min({0x7FFF, renderbuffer, viewport[0]}));
    EXPECT_EQ(limits.v, std::min({0x7FFF, renderbuffer, viewport[1]}));
    EXPECT_LT(limits.h, 0x7FFF);

    // Kept: asked again without a context, the answer stands.
    eglMakeCurrent(GxEglDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    EXPECT_EQ(FxFramebufferLimits().h, limits.h);
}

// The layer's context current on another thread cannot be made current here: no viewport limit that time, and
// the caller's context stays. Asked again once it is free, the limits are the driver's, and the caller's context
// is current again afterwards.
TEST(FxGLLimitsTest, PbufferLimitsOfAContextBusyElsewhereAreAskedAgain)
{
    const LayerContext layer;
    ASSERT_NE(layer.mContext, EGL_NO_CONTEXT);
    const auto caller = Current();
    const EGLContext callers = eglGetCurrentContext();
    const FxSurfaceLimits expected = layer.Expected();
    ASSERT_LT(expected.mViewportWidth, INT_MAX);

    Holder holder(layer.mDisplay, layer.mContext);
    ASSERT_TRUE(holder.Made());
    const FxSurfaceLimits busy = FxPbufferLimits(layer.mDisplay, layer.mConfig, layer.mContext);
    EXPECT_EQ(busy.mViewportWidth, INT_MAX);
    EXPECT_EQ(busy.mViewportHeight, INT_MAX);
    EXPECT_EQ(eglGetCurrentContext(), callers);

    holder.Release();
    ExpectLimits(FxPbufferLimits(layer.mDisplay, layer.mConfig, layer.mContext), expected);
    EXPECT_EQ(eglGetCurrentContext(), callers);
}

// The caller's context, with its surfaces, is current again after the question.
TEST(FxGLLimitsTest, PbufferLimitsLeaveTheCallersContextCurrent)
{
    const LayerContext layer;
    ASSERT_NE(layer.mContext, EGL_NO_CONTEXT);
    const auto caller = Current();
    const EGLContext callers = eglGetCurrentContext();
    const EGLSurface draw = eglGetCurrentSurface(EGL_DRAW);
    const FxSurfaceLimits expected = layer.Expected();
    ExpectLimits(FxPbufferLimits(layer.mDisplay, layer.mConfig, layer.mContext), expected);
    EXPECT_EQ(eglGetCurrentContext(), callers);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), draw);
}

// Asked with no context current, none is current afterwards.
TEST(FxGLLimitsTest, PbufferLimitsLeaveNoContextCurrentWhenNoneWas)
{
    const LayerContext layer;
    ASSERT_NE(layer.mContext, EGL_NO_CONTEXT);
    eglMakeCurrent(layer.mDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    const FxSurfaceLimits limits = FxPbufferLimits(layer.mDisplay, layer.mConfig, layer.mContext);
    EXPECT_LT(limits.mViewportWidth, INT_MAX);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

} // namespace
