// The gridline product's mouse-over balloon: the latitude and longitude under the mouse, pointing at it.
#pragma once

#include "GxCoordinates.h"
#include "GxString.h"
#include "WxInspector.h"

#include <array>
#include <vector>

class WxGridline;

enum WxPointerSide
{
    kWxPointerNone,
    kWxPointerLeft,
    kWxPointerRight,
    kWxPointerTop,
    kWxPointerBottom
};

// One line of a balloon: its label's width, its value's width and height, in pixels.
struct WxBalloonLine
{
    double mLabelWidth = 0;
    double mValueWidth = 0;
    double mValueHeight = 0;
};

// Where a balloon goes, in window pixels with y up.
struct WxBalloonLayout
{
    GxRect mBox;
    double mLabelWidth = 0; // the label column
    WxPointerSide mSide = kWxPointerNone;
    GxPoint mTip;
    GxPoint mBaseA;                  // the pointer's base, from A
    GxPoint mBaseB;                  // to B'
    std::array<GxPoint, 4> mCorners; // the outline's p1 ... p4
};

// Moves the box to keep it 10 px inside the viewport (x, y, width, height): right, left, bottom, top in turn.
void WxKeepBalloonInside(GxRect& ioBox, const std::array<int, 4>& inViewport);
// The side the anchor, pinned into the box, lies on: top, bottom, left, right in turn; none inside the box.
WxPointerSide WxBalloonPointerSide(const GxPoint& inAnchor, const GxRect& inBox);

// The balloon for the lines, 20 px above the anchor and kept 10 px inside the viewport (x, y, width, height).
WxBalloonLayout WxLayoutBalloon(const std::vector<WxBalloonLine>& inLines, const GxPoint& inAnchor,
                                const std::array<int, 4>& inViewport);

class WxGridlinePopup : public WxPopup
{
public:
    explicit WxGridlinePopup(WxGridline* inProduct);
    ~WxGridlinePopup() override;

    bool ShouldInvalidate() const override;
    void OnDraw(GxContext& ioContext) override;
    // The balloon of the current strings at the anchor (map coordinates), through the current matrices.
    void DrawTooltip(GxContext& ioContext, const GxPoint& inAnchor);

private:
    WxGridline* mProduct;
    GxStringBunch mLabels;
    GxStringBunch mValues;
};
