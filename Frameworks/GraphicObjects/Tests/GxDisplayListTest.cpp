#include "GxGLTestSupport.h"

#include "CxDebug.h"
#include "GxDisplayList.h"

#include <gtest/gtest.h>

namespace
{

using DisplayListTest = gxtest::GLTest;

void DrawPoint()
{
    glBegin(GL_POINTS);
    glVertex2d(0.25, 0.25);
    glEnd();
}

} // namespace

TEST_F(DisplayListTest, NewObjectsDrawNothing)
{
    GxDisplayList list;
    EXPECT_FALSE(list.IsDisplayListValid());
    const auto drawn = gxtest::CaptureFeedback([&] { list.DrawList(); });
    EXPECT_TRUE(drawn.empty());
}

TEST_F(DisplayListTest, CompiledListsAreDrawnAtOnceAndReplayed)
{
    GxDisplayList list;
    const auto built = gxtest::CaptureFeedback(
        [&]
        {
            list.BeginDisplayList();
            DrawPoint();
            list.EndDisplayList();
        });
    // Compiled, not drawn while compiling: the one point comes from the call at the end.
    ASSERT_EQ(gxtest::OfToken(built, GL_POINT_TOKEN).size(), 1u);
    EXPECT_TRUE(list.IsDisplayListValid());
    EXPECT_TRUE(glIsList(list.DisplayListName()));

    EXPECT_EQ(gxtest::CaptureFeedback([&] { list.DrawList(); }).size(), 1u);
    list.InvalidateDisplayList();
    EXPECT_TRUE(gxtest::CaptureFeedback([&] { list.DrawList(); }).empty());
    // Stale but kept until the next compilation.
    EXPECT_TRUE(glIsList(list.DisplayListName()));
}

TEST_F(DisplayListTest, InvalidatedWhileCompilingSkipsTheCall)
{
    GxDisplayList list;
    const auto built = gxtest::CaptureFeedback(
        [&]
        {
            list.BeginDisplayList();
            DrawPoint();
            list.InvalidateDisplayList();
            list.EndDisplayList();
        });
    EXPECT_TRUE(built.empty());
    EXPECT_FALSE(list.IsDisplayListValid());
}

TEST_F(DisplayListTest, RecompilingFreesTheOldList)
{
    CxDebugCapture capture;
    GxDisplayList list;
    list.BeginDisplayList();
    DrawPoint();
    list.EndDisplayList();
    const GLuint first = list.DisplayListName();

    // A stale list is replaced quietly.
    list.InvalidateDisplayList();
    list.BeginDisplayList();
    list.EndDisplayList();
    const GLuint second = list.DisplayListName();
    EXPECT_NE(second, first);
    EXPECT_FALSE(glIsList(first));
    EXPECT_EQ(capture.Count(), 0u);

    // A valid one is reported, and freed all the same.
    list.BeginDisplayList();
    list.EndDisplayList();
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_FALSE(glIsList(second));
    EXPECT_TRUE(glIsList(list.DisplayListName()));
}

TEST_F(DisplayListTest, DeletingTwiceDeletesOnce)
{
    GxDisplayList list;
    list.BeginDisplayList();
    list.EndDisplayList();
    const GLuint name = list.DisplayListName();
    list.DeleteDisplayList();
    EXPECT_FALSE(glIsList(name));
    EXPECT_EQ(list.DisplayListName(), 0u);
    EXPECT_FALSE(list.IsDisplayListValid());

    // Someone else's list, perhaps under the same name, survives the second call.
    const GLuint other = glGenLists(1);
    glNewList(other, GL_COMPILE);
    glEndList();
    list.DeleteDisplayList();
    EXPECT_TRUE(glIsList(other));
    glDeleteLists(other, 1);

    // Destruction deletes the list.
    GLuint owned = 0;
    {
        GxDisplayList scoped;
        scoped.BeginDisplayList();
        scoped.EndDisplayList();
        owned = scoped.DisplayListName();
        ASSERT_TRUE(glIsList(owned));
    }
    EXPECT_FALSE(glIsList(owned));
}
