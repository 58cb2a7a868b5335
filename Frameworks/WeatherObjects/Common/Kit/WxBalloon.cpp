#include "WxBalloon.h"

#include "CxTypes.h"
#include "GxContext.h"
#include "GxString.h"

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

bool WxBalloonWindowPoint(const GxPoint& inAnchor, GxPoint& outPoint, std::array<int, 4>& outViewport)
{
    double modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    outViewport = {viewport[0], viewport[1], viewport[2], viewport[3]};
    double wx = 0, wy = 0, wz = 0;
    const bool projected =
        gluProject(inAnchor.mX, inAnchor.mY, 0.0, modelView, projection, viewport, &wx, &wy, &wz) == GL_TRUE;
    outPoint = GxPoint(wx, wy);
    return projected && std::isfinite(wx) && std::isfinite(wy);
}

void WxBeginBalloon(GxContext& ioContext, const std::array<int, 4>& inViewport, bool inSmoothLines)
{
    ioContext.Begin2D();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (inSmoothLines)
        glEnable(GL_LINE_SMOOTH);
    // Begin2D maps the viewport's origin to 0: the layout is in window pixels.
    glTranslated(-inViewport[0], -inViewport[1], 0.0);
}

void WxEndBalloon(GxContext& ioContext)
{
    glPopAttrib();
    ioContext.End2D();
}

void WxDrawBalloonRows(GxContext& ioContext, const GxRect& inBox, const GxStringBunch& inValues,
                       const GxStringBunch& inLabels, double inLabelWidth, double inZ)
{
    glTranslated(std::floor(inBox.mLeft + 5), std::floor(inBox.mBottom + 5), 0.0);
    const struct
    {
        const GxStringBunch& mStrings;
        double mX;
        double mAlpha;
        GxHAlign mAlign;
    } columns[] = {{inValues, inLabelWidth + 5, 1.0, kGxHAlignLeft}, {inLabels, inLabelWidth, 0.7, kGxHAlignRight}};
    for (const auto& column : columns)
    {
        glPushMatrix();
        glTranslated(0.375 + column.mX, 0.375, inZ);
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
}
