#include "GxGLTestSupport.h"

#include "CxDebug.h"
#include "GxFont.h"
#include "GxString.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// Model coordinates are window pixels of the 64 x 64 viewport.
class StringGroupTest : public gxtest::GLTest
{
protected:
    void SetUp() override
    {
        gxtest::GLTest::SetUp();
        WindowOrigin();
    }

    GxString* Label(const char* inText, double inX, double inY, double inZ = 0.0)
    {
        auto* label = new GxString(inText, &mFont);
        label->SetPosition(inX, inY);
        label->SetDepth(inZ);
        return label;
    }

    static std::vector<const GxString*> Drawn(const GxStringGroup& inGroup)
    {
        return std::vector<const GxString*>(inGroup.DrawList().begin(), inGroup.DrawList().end());
    }

    GxFont mFont{0u, 8};
};

} // namespace

TEST_F(StringGroupTest, EachLabelHidesTheLaterOnesItOverlaps)
{
    GxStringGroup group;
    GxString* a = Label("ab", 2, 20);
    const double w = a->Width();
    ASSERT_GT(w, 4);
    // A overlaps B and B overlaps C, but A does not overlap C.
    GxString* b = Label("ab", 2 + 0.6 * w, 22);
    GxString* c = Label("ab", 2 + 1.2 * w, 20);
    group.Add(a);
    group.Add(b);
    group.Add(c);
    EXPECT_TRUE(group.IsDirty());
    group.SortAndClip(0);
    EXPECT_FALSE(group.IsDirty());
    EXPECT_TRUE(a->IsVisible());
    EXPECT_FALSE(b->IsVisible());
    EXPECT_TRUE(c->IsVisible());
    EXPECT_EQ(Drawn(group), (std::vector<const GxString*>{a, b, c}));

    // Until the set is marked dirty, moving labels changes nothing.
    b->SetPosition(2, 50);
    group.SortAndClip(0);
    EXPECT_FALSE(b->IsVisible());
    group.SetDirty();
    group.SortAndClip(0);
    EXPECT_TRUE(b->IsVisible());
}

TEST_F(StringGroupTest, LabelsOutsideTheViewport)
{
    // "outside" lies wholly left of the viewport but overlaps "edge", which pokes into it.
    for (const bool depthSort : {false, true})
    {
        GxStringGroup group;
        group.SetDepthSorting(depthSort);
        GxString* outside = Label("mm", 0, 30);
        const double w = outside->Width();
        outside->SetPosition(-w - 1, 30);
        GxString* edge = Label("mm", -w / 2, 31);
        group.Add(outside);
        group.Add(edge);
        group.SortAndClip(0);
        if (!depthSort)
        {
            // Dropped from the draw list, it hides nothing.
            EXPECT_EQ(Drawn(group), (std::vector<const GxString*>{edge}));
            EXPECT_FALSE(outside->IsVisible());
            EXPECT_TRUE(edge->IsVisible());
        }
        else
        {
            // Kept, and the earlier of the two.
            EXPECT_EQ(Drawn(group), (std::vector<const GxString*>{outside, edge}));
            EXPECT_TRUE(outside->IsVisible());
            EXPECT_FALSE(edge->IsVisible());
        }
    }
}

TEST_F(StringGroupTest, DepthSortingIsStable)
{
    GxStringGroup group;
    group.SetDepthSorting(true);
    // Window depth grows as z falls: z 0.5 is nearest.
    GxString* far1 = Label("1", 5, 5, -0.5);
    GxString* near = Label("2", 20, 5, 0.5);
    GxString* far2 = Label("3", 35, 5, -0.5);
    GxString* middle = Label("4", 50, 5, 0.0);
    for (GxString* label : {far1, near, far2, middle})
        group.Add(label);
    group.SortAndClip(0.25);
    EXPECT_EQ(Drawn(group), (std::vector<const GxString*>{near, middle, far1, far2}));
    EXPECT_FLOAT_EQ(far1->ZClipValue(), 0.25f);
    EXPECT_LT(near->WindowDepth(), middle->WindowDepth());
}

TEST_F(StringGroupTest, MovingAndDeletingStrings)
{
    GxStringGroup first;
    GxStringGroup second;
    GxString* moved = Label("x", 10, 10);
    GxString* stays = Label("y", 30, 10);
    first.Add(moved);
    first.Add(stays);
    first.SortAndClip(0);
    ASSERT_EQ(first.DrawList().size(), 2u);

    second.Add(moved);
    EXPECT_EQ(moved->Owner(), &second);
    EXPECT_EQ(first.Count(), 1u);
    EXPECT_EQ(Drawn(first), (std::vector<const GxString*>{stays}));
    EXPECT_TRUE(first.IsDirty());
    delete moved; // leaves the second set
    EXPECT_EQ(second.Count(), 0u);
    first.DrawGL(*mContext, 0, 0, 0);
    second.DrawGL(*mContext, 0, 0, 0);

    // Adding twice keeps one entry; Remove hands the string back.
    first.Add(stays);
    EXPECT_EQ(first.Count(), 1u);
    first.Add(nullptr);
    EXPECT_EQ(first.Count(), 1u);
    first.Remove(stays);
    EXPECT_EQ(first.Count(), 0u);
    EXPECT_EQ(stays->Owner(), nullptr);
    first.Remove(stays);
    delete stays;

    // The set deletes what it still holds.
    GxStringGroup* owner = new GxStringGroup();
    owner->Add(Label("z", 1, 1));
    owner->Add(Label("w", 2, 2));
    CxDebugCapture capture;
    delete owner;
    EXPECT_EQ(capture.Count(), 0u);
}

TEST_F(StringGroupTest, DrawingShowsOnlyVisibleLabels)
{
    GxStringGroup group;
    GxString* a = Label("ab", 4, 20);
    GxString* b = Label("ab", 6, 21);
    GxString* c = Label("ab", 4, 40);
    for (GxString* label : {a, b, c})
    {
        label->Texture(*mContext);
        group.Add(label);
    }
    const auto drawn = gxtest::CaptureFeedback([&] { group.DrawGL(*mContext, 0, 3, 2); });
    // Two triangles each for a and c.
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_NEAR(drawn[0].mVertices[2].mX, 4 + 3 + 0.375 + a->BitmapBounds().Width(), 1e-4);
    EXPECT_NEAR(drawn[0].mVertices[2].mY, 20 + 2 + 0.375, 1e-4);
    EXPECT_NEAR(drawn[2].mVertices[2].mY, 40 + 2 + 0.375, 1e-4);
}

TEST_F(StringGroupTest, BunchesTextureAtOnce)
{
    std::vector<GLuint> names;
    {
        GxStringBunch bunch;
        for (const char* text : {"lat:", "lon:"})
        {
            GxString* string = bunch.AddString(*mContext, text, &mFont);
            ASSERT_NE(string->TextureId(), 0u);
            EXPECT_TRUE(glIsTexture(string->TextureId()));
            names.push_back(string->TextureId());
        }
        EXPECT_EQ(bunch.Count(), 2u);
        EXPECT_EQ((*bunch.begin())->GetString(), "lat:");
        bunch.Clear();
        EXPECT_TRUE(bunch.IsEmpty());
        for (const GLuint name : names)
            EXPECT_FALSE(glIsTexture(name));
        names.clear();
        names.push_back(bunch.AddString(*mContext, "dir:", &mFont)->TextureId());
    }
    EXPECT_FALSE(glIsTexture(names[0]));
}
