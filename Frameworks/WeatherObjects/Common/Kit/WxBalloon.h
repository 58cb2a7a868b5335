// The product kit's balloon: the mouse-over box with a pointer at what it describes, kept inside the viewport,
// drawn in window pixels, with its rows of labels and values. The radar, advisory and gridline popups share it.
// Main thread; the GL context must be current to draw.
#pragma once

#include "GxCoordinates.h"

#include <array>
#include <vector>

class GxContext;
class GxStringBunch;

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

// The anchor (current model coordinates) in window pixels, and the viewport (x, y, width, height). False when the
// projection fails or gives no finite point; the point is still what the projection gave.
bool WxBalloonWindowPoint(const GxPoint& inAnchor, GxPoint& outPoint, std::array<int, 4>& outViewport);

// Window pixels for the balloon until WxEndBalloon: 2D, the attributes pushed, blending (and smooth lines when
// asked) on, the viewport's origin at 0.
void WxBeginBalloon(GxContext& ioContext, const std::array<int, 4>& inViewport, bool inSmoothLines);
void WxEndBalloon(GxContext& ioContext);

// The rows from 5 px inside the box's lower-left corner: values left-aligned after the label column, labels
// right-aligned to it in 70 % black, each column from its last line up, at depth inZ. Leaves the translation.
void WxDrawBalloonRows(GxContext& ioContext, const GxRect& inBox, const GxStringBunch& inValues,
                       const GxStringBunch& inLabels, double inLabelWidth, double inZ);
