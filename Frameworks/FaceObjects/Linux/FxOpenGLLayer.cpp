#include "FxOpenGLLayer.h"

#include "CxDebug.h"
#include "FxPlugin.h"
#include "GxGLContext.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <GL/gl.h>

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
    const EGLint surfaceAttributes[] = {EGL_WIDTH, inWidth, EGL_HEIGHT, inHeight, EGL_NONE};
    mPbuffer = eglCreatePbufferSurface(display, mConfig, surfaceAttributes);
    if (mPbuffer == EGL_NO_SURFACE)
    {
        mPbuffer = nullptr;
        CxAssertText(false, "eglCreatePbufferSurface");
        return false;
    }
    mGxContext = new GxCGLContext(mContext, mPbuffer, mPbuffer);
    glViewport(0, 0, inWidth, inHeight);
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

bool FxOpenGLLayer::ReadPixels(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba)
{
    if (mGxContext == nullptr || inWidth <= 0 || inHeight <= 0)
        return false;
    const GxContextSaver saver;
    mGxContext->MakeCurrent();
    glFinish();
    outRgba.assign(std::size_t(inWidth) * std::size_t(inHeight) * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, inWidth, inHeight, GL_RGBA, GL_UNSIGNED_BYTE, outRgba.data());
    return true;
}
