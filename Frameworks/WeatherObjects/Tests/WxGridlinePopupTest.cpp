#include "WxDrawTestSupport.h"

#include "GxProjection.h"
#include "WxGridline.h"
#include "WxGridlinePopup.h"

#include <tuple>

namespace
{

using namespace wxkit;

// Two lines of height 11, labels 20 wide and values 60 wide: 105 x 33.
TEST(GridlinePopupLayout, SizesShiftsAndPointerSides)
{
    const std::array<int, 4> window = {0, 0, 1024, 768};
    const std::tuple<GxPoint, std::array<int, 4>, GxRect, WxPointerSide> cases[] = {
        {{500.4, 300.7}, window, {430, 320, 535, 353}, kWxPointerBottom}, // 70 left of the anchor, 20 above
        {{1020, 300}, window, {909, 320, 1014, 353}, kWxPointerBottom},   // pushed left by the right edge
        {{500, 760}, window, {430, 725, 535, 758}, kWxPointerTop},        // pushed down past the anchor
        {{1020, 750}, window, {909, 725, 1014, 758}, kWxPointerRight},    // both: the anchor ends up beside it
        {{5, 750}, window, {10, 725, 115, 758}, kWxPointerLeft},
        {{500, 740}, window, {430, 725, 535, 758}, kWxPointerNone}, // the anchor inside
        // Mended: a viewport away from the origin keeps the balloon 10 px inside its own far edges.
        {{495, 330}, {100, 50, 400, 300}, {385, 307, 490, 340}, kWxPointerRight},
    };
    for (const auto& [anchor, viewport, box, side] : cases)
    {
        const WxBalloonLayout l = WxLayoutBalloon({{20, 60, 11}, {20, 60, 11}}, anchor, viewport);
        EXPECT_EQ(l.mBox.Width() * 1000 + l.mBox.Height(), 105033) << anchor.mX;
        EXPECT_EQ(l.mBox.mLeft * 1000 + l.mBox.mBottom, box.mLeft * 1000 + box.mBottom) << anchor.mX;
        EXPECT_EQ(l.mSide, side) << anchor.mX;
        EXPECT_EQ(l.mTip, side == kWxPointerNone ? GxPoint(box.mLeft, box.mTop) : anchor) << anchor.mX;
        if (side == kWxPointerRight)
        {
            EXPECT_EQ(l.mBaseA, GxPoint(box.mRight, box.mTop - 16.5 - 10));
            EXPECT_EQ(l.mBaseB, GxPoint(box.mRight, box.mTop - 16.5 + 10));
            EXPECT_EQ(l.mCorners[0], GxPoint(box.mRight, box.mBottom));
        }
    }
}

using GridlinePopupTest = wxdraw::DrawTest;

// Shadow, pointer, box and texts, the tip on the tracked position as seen; nothing for a hidden product.
TEST_F(GridlinePopupTest, TipAtTheTrackedPositionAndNothingWhenHidden)
{
    WxMap map(nullptr);
    auto* grid = new WxGridline(&map, nullptr);
    std::unique_ptr<WxPopup> popup(grid->CreatePopup());
    map.SetTrackingPosition(GxPosition().FromDegrees(-97.5, 35.25));
    const GxPoint at = map.Projection()->Project(map.TrackingPosition());
    KitOrthoView(GxPoint(at.mX - 1000, at.mY + 500), 5.0);
    for (bool visible : {true, false})
    {
        grid->SetVisibility(visible);
        EXPECT_EQ(popup->ShouldInvalidate(), visible);
        const auto all = gxtest::CaptureFeedback([&] { popup->Draw(*mContext); });
        int tips = 0;
        for (const auto& p : gxtest::OfToken(all, GL_POLYGON_TOKEN))
            tips += p.mVertices.size() == 3 &&
                    std::hypot(p.mVertices[1].mX - (200 + 512), p.mVertices[1].mY - (-100 + 384)) < 1e-3;
        EXPECT_EQ(tips, visible ? 1 : 0);
        const auto quads = gxtest::Quads(all);
        EXPECT_EQ(quads.size(), visible ? 8u : 0u);
        EXPECT_EQ(all.empty(), !visible);
        // The box (pale yellow) holds every text, labels and values side by side.
        double left = 1e9, right = -1e9;
        for (const gxtest::Quad& q : quads)
            if (q.mColor.size() > 2 && std::fabs(q.mColor[2] - 0.9) < 0.01 && q.mRight - q.mLeft > right - left)
                left = q.mLeft, right = q.mRight;
        int texts = 0;
        for (const gxtest::Quad& q : quads)
            if (q.mSRight > q.mSLeft) // textured: a text
            {
                ++texts;
                EXPECT_TRUE(q.mLeft >= left && q.mRight <= right) << q.mLeft << " " << q.mRight << " in " << left;
            }
        EXPECT_EQ(texts > 0, visible);
    }
    grid->SetVisibility(true);
    Frame(map);
    popup->Draw(*mContext);
    Snapshot("popup");
}

} // namespace
