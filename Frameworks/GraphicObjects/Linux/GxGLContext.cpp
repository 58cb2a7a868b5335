#include "GxGLContext.h"

#include "CxDebug.h"
#include "GxColor.h"
#include "GxTexture.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <cairo.h>

#include <algorithm>
#include <mutex>

// Mesa's driver keeps a few allocations for the life of the process; they are its own, not ours.
#if defined(__SANITIZE_ADDRESS__)
#define GX_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define GX_LEAK_CHECKED 1
#endif
#endif
#ifdef GX_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\nleak:libEGL_mesa.so\nleak:libglapi.so\nleak:libGLX_mesa.so\n";
}
#endif

namespace
{

EGLDisplay OpenDisplay()
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display = EGL_NO_DISPLAY;
    if (getPlatformDisplay != nullptr)
        display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    CxAssertText(display != EGL_NO_DISPLAY, "surfaceless EGL display");
    if (display == EGL_NO_DISPLAY)
        return EGL_NO_DISPLAY;
    if (eglInitialize(display, nullptr, nullptr) != EGL_TRUE)
    {
        CxAssertText(false, "eglInitialize");
        return EGL_NO_DISPLAY;
    }
    return display;
}

EGLContext CreateContext(EGLDisplay inDisplay)
{
    if (inDisplay == EGL_NO_DISPLAY || eglBindAPI(EGL_OPENGL_API) != EGL_TRUE)
        return EGL_NO_CONTEXT;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(inDisplay, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1)
        config = nullptr; // EGL_NO_CONFIG_KHR: surfaceless contexts need none
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    return eglCreateContext(inDisplay, config, EGL_NO_CONTEXT, contextAttributes);
}

// The current binding, to be put back later.
struct CurrentBinding
{
    EGLDisplay mDisplay = eglGetCurrentDisplay();
    EGLContext mContext = eglGetCurrentContext();
    EGLSurface mDraw = eglGetCurrentSurface(EGL_DRAW);
    EGLSurface mRead = eglGetCurrentSurface(EGL_READ);
};

// Puts the remembered binding back, or releases the thread's context when none was current or it was the one
// about to go.
void Restore(const CurrentBinding& inBinding, EGLContext inLeaving)
{
    if (inBinding.mContext != EGL_NO_CONTEXT && inBinding.mContext != inLeaving)
        eglMakeCurrent(inBinding.mDisplay, inBinding.mDraw, inBinding.mRead, inBinding.mContext);
    else
        eglMakeCurrent(GxEglDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::mutex sThemeLock;
CxString& ThemeIdentifier()
{
    static CxString sIdentifier("blue");
    return sIdentifier;
}

} // namespace

// The display is never terminated: terminating unloads the driver, and what it leaked would lose its name.
void* GxEglDisplay()
{
    static const EGLDisplay sDisplay = OpenDisplay();
    return sDisplay;
}

// ---------------------------------------------------------------------------------------------------------------
// GxAGLContext

GxAGLContext::GxAGLContext(pf::PortRef inPort, const CxRect& inBounds, const CxRect& inClip) : mPort(inPort)
{
    Create();
    AdjustToBounds(inBounds, inClip);
}

GxAGLContext::GxAGLContext(pf::ViewRef inView) : mView(inView)
{
    Create();
    if (mContext == nullptr || !pf::IsValidView(inView))
        return;
    pf::BindGLSurfaceToView(mSurface, inView, [this](const pf::Rect&) { AdjustToView(); });
    // The server keeps the surface on the view; these keep the framebuffer and visibility in step.
    mHandler = pf::GetViewEventTarget(inView)->InstallHandler({{pf::kClassControl, pf::kControlBoundsChanged},
                                                               {pf::kClassControl, pf::kControlVisibilityChanged},
                                                               {pf::kClassControl, pf::kControlOwningWindowChanged}},
                                                              [this](pf::HandlerCallRef, pf::Event&)
                                                              {
                                                                  AdjustToView();
                                                                  return pf::kEventNotHandled;
                                                              });
    AdjustToView();
}

GxAGLContext::GxAGLContext(pf::WindowRef inWindow) : mWindow(inWindow)
{
    Create();
    if (mContext == nullptr || !pf::IsValidWindow(inWindow))
        return;
    mHandler = pf::GetWindowEventTarget(inWindow)->InstallHandler({{pf::kClassWindow, pf::kWindowBoundsChanged}},
                                                                  [this](pf::HandlerCallRef, pf::Event&)
                                                                  {
                                                                      const pf::Rect content = pf::GetWindowBounds(
                                                                          mWindow, pf::kWindowContentRgn);
                                                                      Resize(int(content.w), int(content.h));
                                                                      Place();
                                                                      return pf::kEventNotHandled;
                                                                  });
    const pf::Rect content = pf::GetWindowBounds(inWindow, pf::kWindowContentRgn);
    Resize(int(content.w), int(content.h));
    Place();
}

void GxAGLContext::Create()
{
    mContext = CreateContext(GxEglDisplay());
    CxAssertText(mContext != nullptr, "mContext != nil");
    if (mContext == nullptr)
        return;
    mPlatformContext = mContext;
    MakeCurrent();
    glGenFramebuffers(1, &mFramebuffer);
    glGenRenderbuffers(1, &mColorBuffer);
    glGenRenderbuffers(1, &mDepthBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    CheckTextureRectangle();
    // Only a context shown somewhere gets a surface: the window server's state belongs to the main thread, while
    // offscreen contexts are made and drawn on any thread.
    if (mPort != nullptr || mView != nullptr || mWindow != nullptr)
        mSurface = pf::CreateGLSurface([this](int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba)
                                       { return ReadBack(inWidth, inHeight, outRgba); });
    Show();
}

GxAGLContext::~GxAGLContext()
{
    if (mContext == nullptr)
        return;
    pf::RemoveHandler(mHandler);
    if (mSurface != nullptr)
        pf::DisposeGLSurface(mSurface);
    const CurrentBinding previous;
    MakeCurrent();
    DeleteTextures();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &mFramebuffer);
    const GLuint buffers[2] = {mColorBuffer, mDepthBuffer};
    glDeleteRenderbuffers(2, buffers);
    Restore(previous, mContext);
    eglDestroyContext(GxEglDisplay(), mContext);
}

void GxAGLContext::Show()
{
    mShown = true;
    if (mSurface != nullptr)
        pf::SetGLSurfaceVisible(mSurface, true);
}

void GxAGLContext::Hide()
{
    mShown = false;
    if (mSurface != nullptr)
        pf::SetGLSurfaceVisible(mSurface, false);
}

void GxAGLContext::MakeCurrent()
{
    if (mContext == nullptr)
        return;
    if (eglGetCurrentContext() != mContext)
        eglMakeCurrent(GxEglDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, mContext);
    if (mFramebuffer != 0)
        glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
}

void GxAGLContext::SwapBuffers()
{
    if (mContext == nullptr)
        return;
    MakeCurrent();
    glFinish();
}

void GxAGLContext::Resize(int inWidth, int inHeight)
{
    if (mContext == nullptr)
        return;
    const CurrentBinding previous;
    MakeCurrent();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    const GLsizei width = std::clamp(inWidth, 0, int(maxSize));
    const GLsizei height = std::clamp(inHeight, 0, int(maxSize));
    // An empty view still gets a pixel, so the framebuffer stays complete.
    glBindRenderbuffer(GL_RENDERBUFFER, mColorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, std::max(width, 1), std::max(height, 1));
    glBindRenderbuffer(GL_RENDERBUFFER, mDepthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, std::max(width, 1), std::max(height, 1));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, mColorBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mDepthBuffer);
    CxAssertText(glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE, "framebuffer complete");
    glViewport(0, 0, width, height);
    // Refitting happens from event handlers; whoever was drawing keeps its context.
    if (previous.mContext != EGL_NO_CONTEXT && previous.mContext != mContext)
        Restore(previous, nullptr);
}

void GxAGLContext::AdjustToBounds(const CxRect& inBounds, const CxRect& inClip)
{
    mBounds = inBounds;
    mClip = inClip;
    Resize(int(inBounds.right) - int(inBounds.left), int(inBounds.bottom) - int(inBounds.top));
    Place();
}

void GxAGLContext::AdjustToView()
{
    if (mView == nullptr || !pf::IsValidView(mView))
        return;
    const pf::Rect rect = pf::ViewClippedContentRect(mView);
    mBounds = CxRect(CxSint16(rect.x), CxSint16(rect.y), CxSint16(rect.Right()), CxSint16(rect.Bottom()));
    mClip = mBounds;
    Resize(int(rect.w), int(rect.h));
    if (mShown != pf::IsViewVisible(mView))
        mShown ? Hide() : Show();
}

// Port and window forms: where the picture sits in the window's content.
void GxAGLContext::Place()
{
    if (mSurface == nullptr)
        return;
    if (mWindow != nullptr)
    {
        const pf::Rect content = pf::GetWindowBounds(mWindow, pf::kWindowContentRgn);
        const pf::Rect all{0, 0, content.w, content.h};
        pf::PlaceGLSurface(mSurface, mWindow, all, all);
        return;
    }
    if (mView != nullptr)
        return;
    const pf::WindowRef window = mPort != nullptr ? pf::GetPortWindow(mPort) : nullptr;
    if (window == nullptr)
    {
        pf::PlaceGLSurface(mSurface, nullptr, pf::Rect{}, pf::Rect{});
        return;
    }
    const pf::Point origin = pf::GetPortOrigin(mPort);
    const pf::Rect bounds{mBounds.left - origin.x, mBounds.top - origin.y, double(mBounds.right - mBounds.left),
                          double(mBounds.bottom - mBounds.top)};
    const pf::Rect clip{mClip.left - origin.x, mClip.top - origin.y, double(mClip.right - mClip.left),
                        double(mClip.bottom - mClip.top)};
    pf::PlaceGLSurface(mSurface, window, bounds, clip);
}

bool GxAGLContext::ReadBack(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba)
{
    if (mContext == nullptr || inWidth <= 0 || inHeight <= 0)
        return false;
    const CurrentBinding previous;
    MakeCurrent();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    outRgba.assign(std::size_t(inWidth) * std::size_t(inHeight) * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, inWidth);
    glReadPixels(0, 0, std::min(inWidth, int(viewport[2])), std::min(inHeight, int(viewport[3])), GL_RGBA,
                 GL_UNSIGNED_BYTE, outRgba.data());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (previous.mContext != EGL_NO_CONTEXT && previous.mContext != mContext)
        Restore(previous, nullptr);
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// GxCGLContext

GxCGLContext::GxCGLContext(void* inContext, void* inDrawSurface, void* inReadSurface)
    : mContext(inContext), mDrawSurface(inDrawSurface), mReadSurface(inReadSurface)
{
    CxAssertText(mContext != nullptr, "mContext != nil");
    mPlatformContext = mContext;
    if (mContext == nullptr)
        return;
    MakeCurrent();
    CheckTextureRectangle();
}

GxCGLContext::~GxCGLContext()
{
    if (mContext == nullptr)
        return;
    const CurrentBinding previous;
    MakeCurrent();
    DeleteTextures();
    if (previous.mContext != mContext)
        Restore(previous, nullptr);
}

void GxCGLContext::MakeCurrent()
{
    if (mContext != nullptr)
        eglMakeCurrent(GxEglDisplay(), mDrawSurface, mReadSurface, mContext);
}

void GxCGLContext::SwapBuffers()
{
    glFlush();
}

// ---------------------------------------------------------------------------------------------------------------
// GxContextSaver

GxContextSaver::GxContextSaver()
    : mDisplay(eglGetCurrentDisplay()), mContext(eglGetCurrentContext()), mDrawSurface(eglGetCurrentSurface(EGL_DRAW)),
      mReadSurface(eglGetCurrentSurface(EGL_READ))
{
}

GxContextSaver::~GxContextSaver()
{
    if (mContext != EGL_NO_CONTEXT)
        eglMakeCurrent(mDisplay, mDrawSurface, mReadSurface, mContext);
}

// ---------------------------------------------------------------------------------------------------------------
// Platform services of the context

CxString GxThemeIdentifier()
{
    std::lock_guard<std::mutex> guard(sThemeLock);
    return ThemeIdentifier();
}

void GxSetThemeIdentifier(const CxString& inIdentifier)
{
    std::lock_guard<std::mutex> guard(sThemeLock);
    ThemeIdentifier() = inIdentifier;
}

GxColor GxSystemHiliteColor()
{
    return GxColor(16, 0x3B3B, 0x7E7E, 0xEDED, 0xFFFF);
}

// Our own grip: three light ridges with dark shadows across the bottom-right half of a 16 x 16 square.
void GxContext::ReadGrowBox()
{
    GLubyte bitmap[16][16][4] = {};
    for (int y = 0; y < 16; ++y)
    {
        for (int x = 0; x < 16; ++x)
        {
            const int diagonal = x + y;
            if (diagonal < 17 || diagonal > 28)
                continue;
            GLubyte* pixel = bitmap[y][x];
            if (diagonal % 4 == 1)
            {
                pixel[0] = pixel[1] = pixel[2] = 255;
                pixel[3] = 220;
            }
            else if (diagonal % 4 == 2)
            {
                pixel[3] = 170;
            }
        }
    }
    mGrowBox = GxNewTexture(GL_TEXTURE_2D, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_CLAMP);
    GxLoadPackedRGBA(GL_LUMINANCE_ALPHA, 16, 16, bitmap);
}

_cairo_surface* GxContext::ExportToCGImage()
{
    MakeCurrent();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, viewport[2], viewport[3]);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    // Cairo's 32-bit native pixels are the bytes blue, green, red, x on this processor.
    ReadPixels(cairo_image_surface_get_data(surface), viewport[2], viewport[3],
               cairo_image_surface_get_stride(surface) / 4);
    cairo_surface_mark_dirty(surface);
    return surface;
}
