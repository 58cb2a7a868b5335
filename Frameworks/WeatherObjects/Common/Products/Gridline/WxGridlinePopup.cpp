#include "WxGridlinePopup.h"

#include "CxTypes.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "WxGridline.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>

void WxKeepBalloonInside(GxRect& ioBox, const std::array<int, 4>& inViewport)
{
    // The viewport's far edges lie at its origin plus its size.
    const double vLeft = inViewport[0], vBottom = inViewport[1];
    const double vRight = vLeft + inViewport[2], vTop = vBottom + inViewport[3];
    GxRect& b = ioBox;
    if (b.mRight > vRight - 10.0)
        b.Offset(vRight - b.mRight - 10.0, 0.0);
    if (b.mLeft < vLeft + 10.0)
        b.Offset(vLeft - b.mLeft + 10.0, 0.0);
    if (b.mBottom < vBottom + 10.0)
        b.Offset(0.0, vBottom - b.mBottom + 10.0);
    if (b.mTop > vTop - 10.0)
        b.Offset(0.0, vTop - b.mTop - 10.0);
}

WxPointerSide WxBalloonPointerSide(const GxPoint& inAnchor, const GxRect& inBox)
{
    const GxPoint pinned = inAnchor.Pin(inBox);
    if (pinned.mY == inBox.mTop)
        return kWxPointerTop;
    if (pinned.mY == inBox.mBottom)
        return kWxPointerBottom;
    if (pinned.mX == inBox.mLeft)
        return kWxPointerLeft;
    if (pinned.mX == inBox.mRight)
        return kWxPointerRight;
    return kWxPointerNone;
}

WxBalloonLayout WxLayoutBalloon(const std::vector<WxBalloonLine>& inLines, const GxPoint& inAnchor,
                                const std::array<int, 4>& inViewport)
{
    WxBalloonLayout layout;
    double width = 0.0;
    double height = 0.0;
    for (const WxBalloonLine& line : inLines)
    {
        layout.mLabelWidth = std::max(layout.mLabelWidth, line.mLabelWidth);
        const double sum = line.mValueWidth + line.mLabelWidth + 10.0;
        // The sum goes through a 16-bit integer, wrapping as it always has; the clamp keeps the conversion defined.
        if (width < sum)
            width = static_cast<CxSint16>(static_cast<CxSint32>(std::clamp(sum, -2147483648.0, 2147483647.0))) + 15.0;
        height += line.mValueHeight + 3.0;
    }
    height += 5.0;

    GxRect& b = layout.mBox;
    b = GxRect(0.0, 0.0, width, height);
    b.Offset(std::floor(inAnchor.mX) - width / 1.5, std::floor(inAnchor.mY) + 20.0);
    WxKeepBalloonInside(b, inViewport);

    const GxPoint bottomLeft(b.mLeft, b.mBottom), topLeft(b.mLeft, b.mTop);
    const GxPoint topRight(b.mRight, b.mTop), bottomRight(b.mRight, b.mBottom);
    layout.mSide = WxBalloonPointerSide(inAnchor, b);
    layout.mTip = inAnchor;
    switch (layout.mSide)
    {
    case kWxPointerLeft:
    case kWxPointerRight:
    {
        const double x = layout.mSide == kWxPointerLeft ? b.mLeft : b.mRight;
        layout.mBaseA = GxPoint(x, b.mTop - height / 2.0 - 10.0);
        layout.mBaseB = GxPoint(x, layout.mBaseA.mY + 20.0);
        layout.mCorners = layout.mSide == kWxPointerLeft
                              ? std::array<GxPoint, 4>{bottomLeft, topLeft, topRight, bottomRight}
                              : std::array<GxPoint, 4>{bottomRight, topRight, topLeft, bottomLeft};
        break;
    }
    case kWxPointerTop:
    case kWxPointerBottom:
    {
        const double y = layout.mSide == kWxPointerTop ? b.mTop : b.mBottom;
        layout.mBaseA = GxPoint(b.mLeft + width / 2.0 - 10.0, y);
        layout.mBaseB = GxPoint(layout.mBaseA.mX + 20.0, y);
        layout.mCorners = layout.mSide == kWxPointerTop
                              ? std::array<GxPoint, 4>{topLeft, topRight, bottomRight, bottomLeft}
                              : std::array<GxPoint, 4>{bottomLeft, bottomRight, topRight, topLeft};
        break;
    }
    case kWxPointerNone:
        // The pointer collapses into the top-left corner.
        layout.mTip = layout.mBaseA = layout.mBaseB = topLeft;
        layout.mCorners = {bottomLeft, topLeft, topRight, bottomRight};
        break;
    }
    return layout;
}

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
    double modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx = 0, wy = 0, wz = 0;
    gluProject(inAnchor.mX, inAnchor.mY, 0.0, modelView, projection, viewport, &wx, &wy, &wz);
    const WxBalloonLayout layout =
        WxLayoutBalloon(lines, GxPoint(wx, wy), {viewport[0], viewport[1], viewport[2], viewport[3]});
    const GxRect& b = layout.mBox;

    ioContext.Begin2D();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    // Begin2D maps the viewport's origin to 0: the layout is in window pixels.
    glTranslated(-viewport[0], -viewport[1], 0.0);

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

    glTranslated(std::floor(b.mLeft + 5), std::floor(b.mBottom + 5), 0.0);
    // Values then labels, each column from its last line up.
    const struct
    {
        const GxStringBunch& mStrings;
        double mX;
        double mAlpha;
        GxHAlign mAlign;
    } columns[] = {{mValues, layout.mLabelWidth + 5, 1.0, kGxHAlignLeft},
                   {mLabels, layout.mLabelWidth, 0.7, kGxHAlignRight}};
    for (const auto& column : columns)
    {
        glPushMatrix();
        glTranslated(0.375 + column.mX, 0.375, -1.0);
        glColor4d(0.0, 0.0, 0.0, column.mAlpha);
        std::vector<GxString*> strings(column.mStrings.begin(), column.mStrings.end());
        for (auto s = strings.rbegin(); s != strings.rend(); ++s)
        {
            (*s)->SetPosition(0.0, 0.0);
            (*s)->Draw(ioContext, column.mAlign, kGxVAlignBottom);
            glTranslated(0.0, (*s)->Height() + 3.0, 0.0);
        }
        glPopMatrix();
    }
    glPopAttrib();
    ioContext.End2D();
}
