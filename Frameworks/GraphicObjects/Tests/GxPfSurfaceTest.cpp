#include "GxGLContext.h"
#include "PfRunLoop.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace
{

using namespace pf;

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000FF;

void Clear(GxAGLContext& ioContext, float inRed, float inGreen, float inBlue)
{
    ioContext.MakeCurrent();
    glClearColor(inRed, inGreen, inBlue, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ioContext.SwapBuffers();
}

class PfSurfaceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        mWindow = CreateWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, Rect{100, 100, 300, 200});
        ShowWindow(mWindow);
        // The inner view (80, 80, 100, 100) in content coordinates is cut by its parent to (80, 80, 60, 40).
        mOuter = CreateView(ViewKind::kUserPane, Rect{20, 30, 120, 90});
        AddSubview(GetContentView(mWindow), mOuter);
        mInner = CreateView(ViewKind::kUserPane, Rect{60, 50, 100, 100});
        AddSubview(mOuter, mInner);
    }
    void TearDown() override { ResetWindowServerForTesting(); }

    WindowRef mWindow = nullptr;
    ViewRef mOuter = nullptr;
    ViewRef mInner = nullptr;
};

TEST_F(PfSurfaceTest, AViewContextShowsExactlyInItsClippedRectangle)
{
    GxAGLContext context(mInner);
    ASSERT_TRUE(context.IsValid());
    Clear(context, 1, 0, 0);
    const struct
    {
        const char* step;
        std::function<void()> change;
        Rect rect;
        bool visible;
    } steps[] = {
        {"as made", [] {}, Rect{80, 80, 60, 40}, true},
        {"hidden", [&] { SetViewVisible(mInner, false); }, Rect{80, 80, 60, 40}, false},
        {"shown", [&] { SetViewVisible(mInner, true); }, Rect{80, 80, 60, 40}, true},
        {"parent narrowed",
         [&] {
             SetViewFrame(mOuter, Rect{20, 30, 100, 90});
         },
         Rect{80, 80, 40, 40}, true},
        {"moved",
         [&] {
             SetViewFrame(mInner, Rect{0, 0, 100, 100});
         },
         Rect{20, 30, 100, 90}, true},
    };
    for (const auto& s : steps)
    {
        SCOPED_TRACE(s.step);
        s.change();
        Clear(context, 1, 0, 0);
        const GLSurfaceInfo info = GetGLSurfaceInfo(context.Surface());
        EXPECT_EQ(info.window, mWindow);
        EXPECT_EQ(info.rect, s.rect);
        EXPECT_EQ(info.visible, s.visible);
        GLint viewport[4] = {};
        context.MakeCurrent();
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], GLint(s.rect.w));
        EXPECT_EQ(viewport[3], GLint(s.rect.h));
        const Snapshot shot = TakeSnapshot(mWindow);
        const std::uint32_t inside = s.visible ? kRed : kWhite;
        const int left = int(s.rect.x), top = int(s.rect.y), right = int(s.rect.Right()), bottom = int(s.rect.Bottom());
        EXPECT_EQ(shot.Pixel(left, top), inside);
        EXPECT_EQ(shot.Pixel(right - 1, bottom - 1), inside);
        EXPECT_EQ(shot.Pixel(left - 1, top), kWhite);
        EXPECT_EQ(shot.Pixel(right, top), kWhite);
        EXPECT_EQ(shot.Pixel(left, bottom), kWhite);
        EXPECT_EQ(shot.Pixel(left, top - 1), kWhite);
    }
}

TEST_F(PfSurfaceTest, RowsAreFlippedAndBrushesPaintTheBackground)
{
    SetThemeWindowBackground(mWindow, 1);
    GxAGLContext context(mWindow);
    context.MakeCurrent();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // GL's bottom row, y 0, must land at the bottom of the snapshot.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 300, 1);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    context.SwapBuffers();
    Snapshot shot = TakeSnapshot(mWindow);
    EXPECT_EQ(shot.Pixel(0, 199), 0x00FF00FFu);
    EXPECT_EQ(shot.Pixel(0, 198), 0x0000FFFFu);
    context.Hide();
    shot = TakeSnapshot(mWindow);
    EXPECT_EQ(shot.Pixel(0, 0), 0xE8E8E8FFu);
    // A resize of the window refits the window form.
    SetWindowBounds(mWindow, kWindowContentRgn, Rect{100, 100, 320, 210});
    EXPECT_EQ(GetGLSurfaceInfo(context.Surface()).rect, (Rect{0, 0, 320, 210}));
}

TEST_F(PfSurfaceTest, APortContextSitsAtItsBoundsLessTheOrigin)
{
    SetPortOrigin(GetWindowPort(mWindow), Point{10, 20});
    GxAGLContext context(GetWindowPort(mWindow), CxRect(30, 40, 70, 60), CxRect(30, 40, 50, 60));
    const GLSurfaceInfo info = GetGLSurfaceInfo(context.Surface());
    EXPECT_EQ(info.window, mWindow);
    EXPECT_EQ(info.rect, (Rect{20, 20, 40, 20}));
    EXPECT_EQ(info.clip, (Rect{20, 20, 20, 20}));
    Clear(context, 1, 0, 0);
    const Snapshot shot = TakeSnapshot(mWindow);
    EXPECT_EQ(shot.Pixel(39, 20), kRed);
    EXPECT_EQ(shot.Pixel(40, 20), kWhite); // outside the clip
}

} // namespace
