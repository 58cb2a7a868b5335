#include "GxGLTestSupport.h"

#include "CxCoordinates.h"
#include "CxDebug.h"
#include "GxColor.h"
#include "GxWorld.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using gxtest::GLTest;

namespace
{

// Paints one pixel (x from the left, y from the bottom) with a colour of whole bytes.
void PaintPixel(int inX, int inY, int inRed, int inGreen, int inBlue)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(inX, inY, 1, 1);
    glClearColor(inRed / 255.0f, inGreen / 255.0f, inBlue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

struct Bgra
{
    int mBlue, mGreen, mRed, mAlpha;
};

Bgra PixelAt(const CxUint8* inPixels, int inWidth, int inColumn, int inRow)
{
    const CxUint8* p = inPixels + (inRow * inWidth + inColumn) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// A 3 x 2 picture: top row red, green, blue; bottom row white, grey 127, grey 128.
void PaintSixPixels()
{
    PaintPixel(0, 1, 255, 0, 0);
    PaintPixel(1, 1, 0, 255, 0);
    PaintPixel(2, 1, 0, 0, 255);
    PaintPixel(0, 0, 255, 255, 255);
    PaintPixel(1, 0, 127, 127, 127);
    PaintPixel(2, 0, 128, 128, 128);
}

} // namespace

TEST_F(GLTest, TwoDimensionalModeCountsPixelsFromTheBottomLeft)
{
    glMatrixMode(GL_PROJECTION);
    glOrtho(-5, 7, -3, 9, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glTranslated(3, 4, 0);
    GLdouble projectionBefore[16], modelViewBefore[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projectionBefore);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelViewBefore);

    mContext->Begin2D();
    glColor4ub(255, 0, 0, 255);
    glRecti(0, 0, 1, 1);
    glColor4ub(0, 255, 0, 255);
    glRecti(63, 63, 64, 64);
    EXPECT_FLOAT_EQ(mContext->GetScaleFactor(), 1.0f);
    mContext->End2D();

    EXPECT_EQ(Pixel(0, 0), (std::vector<GLubyte>{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(1, 0)[3], 0);
    EXPECT_EQ(Pixel(0, 1)[3], 0);
    EXPECT_EQ(Pixel(63, 63), (std::vector<GLubyte>{0, 255, 0, 255}));

    // Both matrices are back, and the model-view matrix is the current one.
    GLdouble projectionAfter[16], modelViewAfter[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projectionAfter);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelViewAfter);
    EXPECT_EQ(0, std::memcmp(projectionBefore, projectionAfter, sizeof(projectionAfter)));
    EXPECT_EQ(0, std::memcmp(modelViewBefore, modelViewAfter, sizeof(modelViewAfter)));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(GLTest, ScaleFactorIsModelUnitsPerPixel)
{
    const struct
    {
        double mWidth, mHeight;
        float mExpected;
    } cases[] = {{64, 64, 1.0f}, {128, 128, 2.0f}, {32, 256, 4.0f}, {640, 16, 10.0f}};
    for (const auto& c : cases)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, c.mWidth, 0, c.mHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        EXPECT_NEAR(mContext->GetScaleFactor(), c.mExpected, 1e-5) << c.mWidth << " x " << c.mHeight;
    }
}

TEST_F(GLTest, LineWidthZeroBecomesOneHundredth)
{
    for (const auto& [given, expected] : {std::pair{0.0f, 0.01f}, std::pair{2.0f, 2.0f}, std::pair{0.5f, 0.5f}})
    {
        mContext->LineWidth(given);
        GLfloat width = -1;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_FLOAT_EQ(width, expected) << given;
    }
}

TEST_F(GLTest, AntiAliasingIsUndoneByPoppingTheAttributes)
{
    mContext->PushAttribs();
    mContext->AntiAlias();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
    mContext->PopAttribs();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
}

TEST_F(GLTest, CheckExtensionMatchesWholeWordsOnly)
{
    const std::string all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::set<std::string> words;
    std::istringstream split(all);
    for (std::string word; split >> word;)
        words.insert(word);
    ASSERT_GT(words.size(), 10u);

    int prefixesTried = 0;
    for (const std::string& word : words)
    {
        EXPECT_TRUE(mContext->CheckExtension(word.c_str())) << word;
        EXPECT_FALSE(mContext->CheckExtension((word + "X").c_str())) << word;
        EXPECT_FALSE(mContext->CheckExtension((word + " ").c_str())) << word;
        const std::string prefix = word.substr(0, word.size() - 3);
        if (words.count(prefix) == 0)
        {
            EXPECT_FALSE(mContext->CheckExtension(prefix.c_str())) << prefix;
            ++prefixesTried;
        }
    }
    EXPECT_GT(prefixesTried, 0);
    EXPECT_FALSE(mContext->CheckExtension(""));
    EXPECT_EQ(mContext->SupportsTextureRectangle(), words.count("GL_EXT_texture_rectangle") == 1);
}

TEST_F(GLTest, AdjustToBoundsSizesTheFramebufferAndViewport)
{
    EXPECT_EQ(mContext->ViewPortBounds(), CxRect(0, 0, 64, 64));
    mContext->AdjustToBounds(CxRect(10, 20, 110, 70), CxRect(10, 20, 60, 40));
    EXPECT_EQ(mContext->ViewPortBounds(), CxRect(0, 0, 100, 50));
    EXPECT_EQ(mContext->Clip(), CxRect(10, 20, 60, 40));

    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(Pixel(99, 49), (std::vector<GLubyte>{0, 0, 255, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // An empty view keeps a usable context.
    mContext->AdjustToBounds(CxRect(5, 5, 5, 5), CxRect());
    EXPECT_EQ(mContext->ViewPortBounds(), CxRect(0, 0, 0, 0));
    EXPECT_EQ(mContext->CreateWorld(nullptr)->PixelBytes(), 0u);
}

TEST_F(GLTest, CreateWorldReadsTheTopRowFirstWithOpaqueAlpha)
{
    mContext->AdjustToBounds(CxRect(0, 0, 3, 2), CxRect(0, 0, 3, 2));
    PaintSixPixels();
    const auto world = mContext->CreateWorld(nullptr);
    ASSERT_EQ(world->Width(), 3);
    ASSERT_EQ(world->Height(), 2);
    ASSERT_EQ(world->PixelBytes(), 24u);
    const CxUint8 expected[24] = {0,   0,   255, 255, 0,   255, 0,   255, 255, 0,   0,   255,
                                  255, 255, 255, 255, 127, 127, 127, 255, 128, 128, 128, 255};
    EXPECT_EQ(0, std::memcmp(world->GetPixels(), expected, sizeof(expected)));
}

TEST_F(GLTest, TransparentColourClearsTheAlphaOfExactlyItsPixels)
{
    mContext->AdjustToBounds(CxRect(0, 0, 3, 2), CxRect(0, 0, 3, 2));
    PaintSixPixels();
    const struct
    {
        GxColor mColor;
        int mTransparentColumn; // in the bottom row, or -1 for none
    } cases[] = {
        {GxColor(1, 1, 1, 1), 0},
        // 0.5 x 255 = 127.5 truncates to 127: the grey 127, not the grey 128.
        {GxColor(0.5, 0.5, 0.5, 1), 1},
        {GxColor(128 / 255.0, 128 / 255.0, 128 / 255.0, 0), 2},
        {GxColor(0.2, 0.4, 0.6, 1), -1},
    };
    for (const auto& c : cases)
    {
        const auto world = mContext->CreateWorld(&c.mColor);
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column)
                EXPECT_EQ(PixelAt(world->GetPixels(), 3, column, row).mAlpha,
                          row == 1 && column == c.mTransparentColumn ? 0 : 255)
                    << c.mColor.AsString().AsUtf8() << " at " << column << "," << row;
    }
}

TEST_F(GLTest, CopyPixelsToWorldFillsOnlyWhatBothShare)
{
    mContext->AdjustToBounds(CxRect(0, 0, 3, 2), CxRect(0, 0, 3, 2));
    PaintSixPixels();

    GxWorld small(CxRect(0, 0, 2, 1));
    mContext->CopyPixelsToWorld(&small);
    const CxUint8 topLeft[8] = {0, 0, 255, 255, 0, 255, 0, 255};
    EXPECT_EQ(0, std::memcmp(small.GetPixels(), topLeft, sizeof(topLeft)));

    GxWorld large(CxRect(0, 0, 5, 4));
    mContext->CopyPixelsToWorld(&large);
    EXPECT_EQ(PixelAt(large.GetPixels(), 5, 2, 0).mBlue, 255);
    EXPECT_EQ(PixelAt(large.GetPixels(), 5, 0, 1).mRed, 255);
    EXPECT_EQ(PixelAt(large.GetPixels(), 5, 0, 1).mGreen, 255);
    EXPECT_EQ(PixelAt(large.GetPixels(), 5, 4, 3).mRed, 0);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(PixelAt(large.GetPixels(), 5, column, row).mAlpha, 255);
}

TEST_F(GLTest, CairoImageHoldsThePictureTopRowFirst)
{
    mContext->AdjustToBounds(CxRect(0, 0, 3, 2), CxRect(0, 0, 3, 2));
    PaintSixPixels();
    cairo_surface_t* image = mContext->ExportToCGImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(cairo_image_surface_get_format(image), CAIRO_FORMAT_RGB24);
    ASSERT_EQ(cairo_image_surface_get_width(image), 3);
    ASSERT_EQ(cairo_image_surface_get_height(image), 2);
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    auto rgb = [&](int inColumn, int inRow)
    {
        std::uint32_t word;
        std::memcpy(&word, data + inRow * stride + inColumn * 4, 4);
        return word & 0xFFFFFFu;
    };
    EXPECT_EQ(rgb(0, 0), 0xFF0000u);
    EXPECT_EQ(rgb(1, 0), 0x00FF00u);
    EXPECT_EQ(rgb(2, 0), 0x0000FFu);
    EXPECT_EQ(rgb(0, 1), 0xFFFFFFu);
    EXPECT_EQ(rgb(2, 1), 0x808080u);
    cairo_surface_destroy(image);
}

TEST_F(GLTest, ContextsKeepTheirOwnPicturesAndRestoreTheCurrentOne)
{
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    auto other = std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, 8, 8), CxRect(0, 0, 8, 8));
    ASSERT_TRUE(other->IsValid());
    EXPECT_EQ(eglGetCurrentContext(), other->EglContext());
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    {
        GxContextSaver saver;
        mContext->MakeCurrent();
        EXPECT_EQ(eglGetCurrentContext(), mContext->EglContext());
        EXPECT_EQ(Pixel(10, 10), (std::vector<GLubyte>{255, 0, 0, 255}));
    }
    EXPECT_EQ(eglGetCurrentContext(), other->EglContext());
    EXPECT_EQ(Pixel(3, 3), (std::vector<GLubyte>{0, 255, 0, 255}));

    // Destroying a context that is not current leaves the current one alone; destroying the current one leaves
    // none current.
    mContext->MakeCurrent();
    other.reset();
    EXPECT_EQ(eglGetCurrentContext(), mContext->EglContext());
    EXPECT_EQ(Pixel(10, 10), (std::vector<GLubyte>{255, 0, 0, 255}));
    mContext.reset();
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

TEST_F(GLTest, WrappedContextIsLeftAliveAndFlushes)
{
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    {
        GxCGLContext wrapped(mContext->EglContext());
        EXPECT_EQ(eglGetCurrentContext(), mContext->EglContext());
        wrapped.SwapBuffers();
        const auto world = wrapped.CreateWorld(nullptr);
        ASSERT_EQ(world->Width(), 64);
        EXPECT_EQ(PixelAt(world->GetPixels(), 64, 5, 5).mBlue, 255);
    }
    // Still current and usable after the wrapper went.
    EXPECT_EQ(eglGetCurrentContext(), mContext->EglContext());
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(Pixel(0, 0), (std::vector<GLubyte>{255, 255, 0, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GxCGLContextTest, NoContextIsReported)
{
    CxDebugCapture capture;
    GxCGLContext wrapped(nullptr);
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxAGLContextThreadTest, ContextsOnSeveralThreadsAtOnce)
{
    // The first use of the display may come from any thread; each thread draws in its own context.
    std::vector<std::thread> threads;
    std::vector<int> reds(4, -1);
    for (int i = 0; i < 4; ++i)
    {
        threads.emplace_back(
            [i, &reds]
            {
                GxAGLContext context(nullptr, CxRect(0, 0, 16, 16), CxRect(0, 0, 16, 16));
                if (!context.IsValid())
                    return;
                glClearColor(i / 4.0f, 0, 0, 1);
                glClear(GL_COLOR_BUFFER_BIT);
                const auto world = context.CreateWorld(nullptr);
                reds[static_cast<std::size_t>(i)] = world->GetPixels()[2];
            });
    }
    for (auto& thread : threads)
        thread.join();
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(reds[static_cast<std::size_t>(i)], i * 255 / 4.0, 1.0) << i;
}
