#include "FxGLLimits.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <GL/gl.h>

#include <algorithm>
#include <optional>

CxPoint FxFramebufferLimits()
{
    static std::optional<CxPoint> sLimits;
    if (sLimits)
        return *sLimits;
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const auto limit = [renderbuffer](GLint inViewport)
    {
        GLint side = 0x7FFF;
        if (renderbuffer > 0)
            side = std::min(side, renderbuffer);
        if (inViewport > 0)
            side = std::min(side, inViewport);
        return static_cast<CxSint16>(side);
    };
    const CxPoint limits(limit(viewport[0]), limit(viewport[1]));
    // Without a current context GL leaves the answers untouched.
    if (viewport[0] > 0 && viewport[1] > 0)
        sLimits = limits;
    return limits;
}

FxSurfaceLimits FxPbufferLimits(void* inDisplay, void* inConfig, void* inContext)
{
    static std::optional<FxSurfaceLimits> sLimits;
    if (sLimits)
        return *sLimits;
    FxSurfaceLimits limits;
    EGLint width = 0;
    EGLint height = 0;
    const bool pbuffer = eglGetConfigAttrib(inDisplay, inConfig, EGL_MAX_PBUFFER_WIDTH, &width) == EGL_TRUE &&
                         eglGetConfigAttrib(inDisplay, inConfig, EGL_MAX_PBUFFER_HEIGHT, &height) == EGL_TRUE;
    if (width > 0)
        limits.mWidth = width;
    if (height > 0)
        limits.mHeight = height;

    bool viewport = false;
    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLContext context = eglGetCurrentContext();
    const EGLSurface draw = eglGetCurrentSurface(EGL_DRAW);
    const EGLSurface read = eglGetCurrentSurface(EGL_READ);
    // Fails while the context is current on another thread, say.
    if (eglMakeCurrent(inDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, inContext) == EGL_TRUE)
    {
        GLint dims[2] = {0, 0};
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
        viewport = dims[0] > 0 && dims[1] > 0;
        if (viewport)
        {
            limits.mViewportWidth = dims[0];
            limits.mViewportHeight = dims[1];
        }
        if (context != EGL_NO_CONTEXT)
            eglMakeCurrent(display, draw, read, context);
        else
            eglMakeCurrent(inDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    limits.mWidth = std::min(limits.mWidth, limits.mViewportWidth);
    limits.mHeight = std::min(limits.mHeight, limits.mViewportHeight);
    if (pbuffer && viewport)
        sLimits = limits;
    return limits;
}
