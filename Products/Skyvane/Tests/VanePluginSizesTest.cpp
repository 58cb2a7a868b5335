// Plug-in areas beyond what GL can hold, in both models: the surface is cut to the driver's limits, read-backs
// ask no more than it holds, and the page shows what fits with the rest in the page's colour.
#include "VaneAppTest.h"

#include "FxOpenGLLayer.h"
#include "FxPlugin.h"
#include "GxGLContext.h"
#include "PfLayer.h"
#include "VaneEntryPoints.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace
{

using namespace vanetest;

constexpr std::uint32_t kPlaceholderGrey = 0xCCCCCCFF;
constexpr std::uint32_t kPageWhite = 0xFFFFFFFF;

// What the driver allows, asked here on its own: the largest pbuffer of an RGBA config and, in a current
// context, the largest viewport and renderbuffer.
struct Limits
{
    int pbufferWidth = INT_MAX;
    int pbufferHeight = INT_MAX;
    int viewportWidth = INT_MAX;
    int viewportHeight = INT_MAX;
    int renderbuffer = INT_MAX;
};

Limits DriverLimits(GxContext* inCurrent)
{
    Limits limits;
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
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(GxEglDisplay(), attributes, &config, 1, &count) == EGL_TRUE && count > 0)
    {
        eglGetConfigAttrib(GxEglDisplay(), config, EGL_MAX_PBUFFER_WIDTH, &limits.pbufferWidth);
        eglGetConfigAttrib(GxEglDisplay(), config, EGL_MAX_PBUFFER_HEIGHT, &limits.pbufferHeight);
    }
    inCurrent->MakeCurrent();
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    limits.viewportWidth = dims[0];
    limits.viewportHeight = dims[1];
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.renderbuffer);
    return limits;
}

bool Near(std::uint32_t inPixel, std::uint32_t inExpected)
{
    for (int shift = 8; shift < 32; shift += 8)
        if (std::abs(int((inPixel >> shift) & 0xFF) - int((inExpected >> shift) & 0xFF)) > 2)
            return false;
    return true;
}

class VanePluginSizesTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartHost();
    }
};

// One table: each size in both models, on a host of its own, the plug-in at the window's top-left corner.
TEST_F(VanePluginSizesTest, AreasBeyondGLsLimitsDrawWhatFits)
{
    struct Row
    {
        int size;
        bool cocoa;
        bool topRowShown; // the plug-in's top row lies in what the context holds
    };
    // Mesa here: pbuffers up to 4096, viewports and renderbuffers up to 16384 (the rows hold for other limits
    // as long as 4097 passes the pbuffer's and 16385 the framebuffer's).
    const Row rows[] = {
        {4097, true, false}, {16385, true, false},  {32767, true, false},  {100000, true, false},
        {4097, false, true}, {16385, false, false}, {32767, false, false}, {100000, false, false},
    };
    for (const Row& row : rows)
    {
        const std::string name = std::string(row.cocoa ? "cocoa " : "carbon ") + std::to_string(row.size);
        mHost.reset();
        mHost = std::make_unique<VaneHost>(mFuncs);
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
        NPP instance = Embed(row.cocoa, {}, pf::Rect{0, 0, double(row.size), double(row.size)});
        ASSERT_NE(instance, nullptr) << name;
        Draw(instance);
        // NPAPI's clip is 16-bit: the host cuts it there.
        const NPRect& clip = InstanceOf(instance)->GetNpWindow()->clipRect;
        EXPECT_EQ(clip.right, std::min(row.size, 0xFFFF)) << name;
        EXPECT_EQ(clip.bottom, std::min(row.size, 0xFFFF)) << name;
        GxContext* context = InstanceOf(instance)->GetContext();
        ASSERT_NE(context, nullptr) << name;
        const Limits limits = DriverLimits(context);
        // The part of the plug-in the context holds, at its bottom-left corner.
        int width = 0;
        int height = 0;
        if (row.cocoa)
        {
            auto* layer = dynamic_cast<FxOpenGLLayer*>(mHost->LayerOf(instance)->Sublayers().at(0));
            ASSERT_NE(layer, nullptr) << name;
            width = std::min({row.size, limits.pbufferWidth, limits.viewportWidth});
            height = std::min({row.size, limits.pbufferHeight, limits.viewportHeight});
            EXPECT_EQ(layer->SurfaceWidth(), width) << name;
            EXPECT_EQ(layer->SurfaceHeight(), height) << name;
            std::vector<std::uint8_t> pixels;
            if (row.size > width + 1)
            {
                EXPECT_FALSE(layer->ReadPixels(row.size, row.size, pixels)) << name;
                EXPECT_TRUE(pixels.empty()) << name;
            }
            ASSERT_TRUE(layer->ReadPixels(width, height, pixels)) << name;
            EXPECT_EQ(pixels.size(), std::size_t(width) * std::size_t(height) * 4) << name;
            EXPECT_TRUE(Near(std::uint32_t(pixels[0]) << 24 | std::uint32_t(pixels[1]) << 16 |
                                 std::uint32_t(pixels[2]) << 8 | pixels[3],
                             kPlaceholderGrey))
                << name;
        }
        else
        {
            auto* agl = dynamic_cast<GxAGLContext*>(context);
            ASSERT_NE(agl, nullptr) << name;
            // Plug-in rectangles are 16-bit: larger ones stop at 32767.
            const int side = std::min(row.size, 0x7FFF);
            width = std::min({side, limits.renderbuffer, limits.viewportWidth});
            height = std::min({side, limits.renderbuffer, limits.viewportHeight});
            const pf::GLSurfaceInfo info = pf::GetGLSurfaceInfo(agl->Surface());
            EXPECT_EQ(info.rect.x, 0) << name;
            EXPECT_EQ(info.rect.y, side - height) << name;
            EXPECT_EQ(info.rect.w, width) << name;
            EXPECT_EQ(info.rect.h, height) << name;
            agl->MakeCurrent();
            GLint viewport[4] = {};
            glGetIntegerv(GL_VIEWPORT, viewport);
            EXPECT_LE(viewport[2], width) << name;
            EXPECT_LE(viewport[3], height) << name;
        }
        // The page is the window's size; the plug-in's top-left corner lies in it, and only what the context
        // holds shows there.
        const pf::Snapshot shot = Shot();
        EXPECT_EQ(shot.width, int(VaneHost::kWindowContent.w)) << name;
        EXPECT_EQ(shot.height, int(VaneHost::kWindowContent.h)) << name;
        EXPECT_EQ(shot.Pixel(10, 0), row.topRowShown ? kPlaceholderGrey : kPageWhite) << name;
        const bool held = std::min(row.size, 0x7FFF) - height <= 10;
        EXPECT_EQ(shot.Pixel(10, 10), held ? kPlaceholderGrey : kPageWhite) << name;
        EXPECT_EQ(mHost->Destroy(instance), NPERR_NO_ERROR) << name;
    }
}

} // namespace
