#include "FxOpenGLLayer.h"

#include "CxDebug.h"
#include "FxGLLimits.h"
#include "FxPlugin.h"
#include "GxGLContext.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <GL/gl.h>

#include <algorithm>

FxOpenGLLayer::~FxOpenGLLayer()
{
    DropSurface();
    if (mContext != nullptr)
    {
        if (eglGetCurrentContext() == mContext)
            eglMakeCurrent(GxEglDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(GxEglDisplay(), mContext);
    }
}

void FxOpenGLLayer::DropSurface()
{
    delete mGxContext;
    mGxContext = nullptr;
    if (mPbuffer != nullptr)
        eglDestroySurface(GxEglDisplay(), mPbuffer);
    mPbuffer = nullptr;
    mSurfaceWidth = 0;
    mSurfaceHeight = 0;
}

bool FxOpenGLLayer::PrepareContext(int inWidth, int inHeight)
{
    const EGLDisplay display = GxEglDisplay();
    if (display == EGL_NO_DISPLAY)
        return false;
    if (mContext == nullptr)
    {
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
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
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE ||
            eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1)
        {
            CxAssertText(false, "a pbuffer config");
            return false;
        }
        const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                            EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
        mContext = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
        if (mContext == EGL_NO_CONTEXT)
        {
            mContext = nullptr;
            CxAssertText(false, "eglCreateContext");
            return false;
        }
        mConfig = config;
    }
    DropSurface();
    const FxSurfaceLimits limits = FxPbufferLimits(display, mConfig, mContext);
    const int width = std::min(inWidth, limits.mWidth);
    const int height = std::min(inHeight, limits.mHeight);
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    mPbuffer = eglCreatePbufferSurface(display, mConfig, surfaceAttributes);
    if (mPbuffer == EGL_NO_SURFACE)
    {
        mPbuffer = nullptr;
        CxAssertText(false, "eglCreatePbufferSurface");
        return false;
    }
    mSurfaceWidth = width;
    mSurfaceHeight = height;
    mGxContext = new GxCGLContext(mContext, mPbuffer, mPbuffer);
    // The picture spans the layer (as far as GL's viewport reaches); the pbuffer keeps what falls on it.
    glViewport(0, 0, std::min(inWidth, limits.mViewportWidth), std::min(inHeight, limits.mViewportHeight));
    if (mInstance != nullptr)
        mInstance->SetContext();
    return true;
}

void FxOpenGLLayer::DrawInContext(double inLayerTime)
{
    if (mGxContext == nullptr)
        return;
    mGxContext->MakeCurrent();
    if (mInstance != nullptr)
    {
        mInstance->DrawLayer();
    }
    else
    {
        glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotated(inLayerTime * 60.0, 0.0, 0.0, 1.0);
        glColor4d(1.0, 0.0, 0.0, 1.0);
        glBegin(GL_QUADS);
        glVertex2d(-0.5, -0.5);
        glVertex2d(0.5, -0.5);
        glVertex2d(0.5, 0.5);
        glVertex2d(-0.5, 0.5);
        glEnd();
    }
    if (mGxContext != nullptr)
        mGxContext->SwapBuffers();
}

void FxOpenGLLayer::HeldSize(int& ioWidth, int& ioHeight) const
{
    if (mGxContext == nullptr)
        return;
    ioWidth = std::min(ioWidth, mSurfaceWidth);
    ioHeight = std::min(ioHeight, mSurfaceHeight);
}

bool FxOpenGLLayer::ReadPixels(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba)
{
    // A layer of a fractional size is asked for a pixel more than its pbuffer holds; anything larger is not
    // this layer's to give (HeldSize).
    if (mGxContext == nullptr || inWidth <= 0 || inHeight <= 0 || inWidth > mSurfaceWidth + 1 ||
        inHeight > mSurfaceHeight + 1)
        return false;
    const GxContextSaver saver;
    mGxContext->MakeCurrent();
    glFinish();
    outRgba.assign(std::size_t(inWidth) * std::size_t(inHeight) * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, inWidth);
    glReadPixels(0, 0, std::min(inWidth, mSurfaceWidth), std::min(inHeight, mSurfaceHeight), GL_RGBA, GL_UNSIGNED_BYTE,
                 outRgba.data());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    return true;
}
