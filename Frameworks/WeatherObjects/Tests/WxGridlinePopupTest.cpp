#include "WxDrawTestSupport.h"

#include "GxProjection.h"
#include "WxGridline.h"
#include "WxGridlinePopup.h"
#include "WxMap.h"

#include <cmath>
#include <memory>

namespace
{

using namespace wxkit;

const std::vector<WxBalloonLine> kTwoLines = {{20, 60, 11}, {20, 60, 11}};

TEST(GridlinePopupLayout, SizesShiftsAndPointerSides)
{
    const struct
    {
        GxPoint mAnchor;
        std::array<int, 4> mViewport;
        GxRect mBox;
        WxPointerSide mSide;
    } cases[] = {
        // 105 x 33, 70 left of the anchor and 20 above it.
        {{500.4, 300.7}, {0, 0, 1024, 768}, {430, 320, 535, 353}, kWxPointerBottom},
        // The right edge pushes it left; the anchor is still below.
        {{1020, 300}, {0, 0, 1024, 768}, {909, 320, 1014, 353}, kWxPointerBottom},
        // The top edge pushes it down past the anchor.
        {{500, 760}, {0, 0, 1024, 768}, {430, 725, 535, 758}, kWxPointerTop},
        // Both: the anchor ends up beside the balloon.
        {{1020, 750}, {0, 0, 1024, 768}, {909, 725, 1014, 758}, kWxPointerRight},
        {{5, 750}, {0, 0, 1024, 768}, {10, 725, 115, 758}, kWxPointerLeft},
        // Inside: no pointer.
        {{500, 740}, {0, 0, 1024, 768}, {430, 725, 535, 758}, kWxPointerNone},
        // Mended: a viewport away from the origin keeps the balloon 10 px inside its own far edges.
        {{495, 330}, {100, 50, 400, 300}, {385, 307, 490, 340}, kWxPointerRight},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mAnchor.mX);
        const WxBalloonLayout l = WxLayoutBalloon(kTwoLines, c.mAnchor, c.mViewport);
        EXPECT_DOUBLE_EQ(l.mBox.mLeft, c.mBox.mLeft);
        EXPECT_DOUBLE_EQ(l.mBox.mBottom, c.mBox.mBottom);
        EXPECT_DOUBLE_EQ(l.mBox.mRight, c.mBox.mRight);
        EXPECT_DOUBLE_EQ(l.mBox.mTop, c.mBox.mTop);
        EXPECT_EQ(l.mSide, c.mSide);
        const GxRect& b = c.mBox;
        if (c.mSide == kWxPointerRight)
        {
            EXPECT_EQ(l.mBaseA, GxPoint(b.mRight, b.mTop - 16.5 - 10));
            EXPECT_EQ(l.mBaseB, GxPoint(b.mRight, b.mTop - 16.5 + 10));
            EXPECT_EQ(l.mCorners[0], GxPoint(b.mRight, b.mBottom));
        }
        if (c.mSide == kWxPointerBottom)
        {
            EXPECT_EQ(l.mBaseA, GxPoint(b.mLeft + 52.5 - 10, b.mBottom));
            EXPECT_EQ(l.mCorners[1], GxPoint(b.mRight, b.mBottom));
        }
        if (c.mSide == kWxPointerNone)
            EXPECT_EQ(l.mTip, GxPoint(b.mLeft, b.mTop));
        else
            EXPECT_EQ(l.mTip, c.mAnchor);
    }
}

class GridlinePopupTest : public wxdraw::DrawTest
{
};

// The pointer's tip lands on the tracked position as the view shows it; a hidden product draws nothing.
TEST_F(GridlinePopupTest, TipAtTheTrackedPositionAndNothingWhenHidden)
{
    WxMap map(nullptr);
    auto* grid = new WxGridline(&map, nullptr);
    std::unique_ptr<WxPopup> popup(grid->CreatePopup());
    map.SetTrackingPosition(GxPosition().FromDegrees(-97.5, 35.25));
    const GxPoint at = map.Projection()->Project(map.TrackingPosition());
    KitOrthoView(GxPoint(at.mX - 1000, at.mY + 500), 5.0);
    const GxPoint tip(1000 / 5.0 + 512, -500 / 5.0 + 384);
    for (bool visible : {true, false})
    {
        grid->SetVisibility(visible);
        EXPECT_EQ(popup->ShouldInvalidate(), visible);
        const auto all = gxtest::CaptureFeedback([&] { popup->Draw(*mContext); });
        int tips = 0;
        for (const auto& p : gxtest::OfToken(all, GL_POLYGON_TOKEN))
            if (p.mVertices.size() == 3 && std::hypot(p.mVertices[1].mX - tip.mX, p.mVertices[1].mY - tip.mY) < 1e-3)
                ++tips;
        EXPECT_EQ(tips, visible ? 1 : 0);
        EXPECT_EQ(all.empty(), !visible);
    }
    grid->SetVisibility(true);
    map.BeginDraw();
    map.DrawMap(*mContext);
    popup->Draw(*mContext);
    Snapshot("popup");
}

} // namespace
