#include "WxGridlinePopup.h"

#include "CxTypes.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "WxGridline.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

WxGridlinePopup::WxGridlinePopup(WxGridline* inProduct) : mProduct(inProduct) {}

WxGridlinePopup::~WxGridlinePopup() = default;

bool WxGridlinePopup::ShouldInvalidate() const
{
    return mProduct->IsVisible();
}

void WxGridlinePopup::OnDraw(GxContext& ioContext)
{
    if (!mProduct->IsVisible() || mProduct->Map() == nullptr)
        return;
    const WxMap& map = *mProduct->Map();
    const GxPosition& position = map.TrackingPosition();
    const GxPoint anchor = map.Projection()->Project(position);
    GxFont font(CxUint32(0), 9);
    if (mLabels.IsEmpty())
    {
        mLabels.AddString(ioContext, CxString("lat:"), &font);
        mLabels.AddString(ioContext, CxString("lon:"), &font);
    }
    mValues.Clear();
    mValues.AddString(ioContext, position.AsString(CxString("%3.3Da%* %N")), &font);
    mValues.AddString(ioContext, position.AsString(CxString("%3.3Do%* %W")), &font);
    DrawTooltip(ioContext, anchor);
}

void WxGridlinePopup::DrawTooltip(GxContext& ioContext, const GxPoint& inAnchor)
{
    std::vector<WxBalloonLine> lines;
    auto label = mLabels.begin();
    for (const GxString* value : mValues)
    {
        WxBalloonLine line;
        line.mValueWidth = value->Width();
        line.mValueHeight = value->Height();
        if (label != mLabels.end())
            line.mLabelWidth = (*label++)->Width();
        lines.push_back(line);
    }
    GxPoint window;
    std::array<int, 4> viewport{};
    WxBalloonWindowPoint(inAnchor, window, viewport);
    const WxBalloonLayout layout = WxLayoutBalloon(lines, window, viewport);
    const GxRect& b = layout.mBox;

    WxBeginBalloon(ioContext, viewport, true);

    glColor4d(0.0, 0.0, 0.0, 0.4);
    glBegin(GL_QUADS);
    glVertex2d(b.mRight, b.mTop - 6);
    glVertex2d(b.mRight + 6, b.mTop - 6);
    glVertex2d(b.mRight + 6, b.mBottom - 6);
    glVertex2d(b.mRight, b.mBottom - 6);
    glVertex2d(b.mLeft + 6, b.mBottom);
    glVertex2d(b.mRight, b.mBottom);
    glVertex2d(b.mRight, b.mBottom - 6);
    glVertex2d(b.mLeft + 6, b.mBottom - 6);
    glEnd();

    glColor4d(1.0, 1.0, 0.9, 1.0);
    glBegin(GL_TRIANGLES);
    glVertex3d(layout.mBaseA.mX, layout.mBaseA.mY, -1);
    glVertex3d(layout.mTip.mX, layout.mTip.mY, -1);
    glVertex3d(layout.mBaseB.mX, layout.mBaseB.mY, -1);
    glEnd();
    glBegin(GL_QUADS);
    glVertex3d(b.mLeft, b.mBottom, -1);
    glVertex3d(b.mRight, b.mBottom, -1);
    glVertex3d(b.mRight, b.mTop, -1);
    glVertex3d(b.mLeft, b.mTop, -1);
    glEnd();

    glColor4d(0.0, 0.0, 0.0, 1.0);
    glBegin(GL_LINE_STRIP);
    const auto& p = layout.mCorners;
    for (const GxPoint& q : {p[0], layout.mBaseA, layout.mTip, layout.mBaseB, p[1], p[2], p[3], p[0]})
        glVertex3d(q.mX, q.mY, -1);
    glEnd();

    // Values then labels, each column from its last line up.
    WxDrawBalloonRows(ioContext, b, mValues, mLabels, layout.mLabelWidth, -1.0);
    WxEndBalloon(ioContext);
}
