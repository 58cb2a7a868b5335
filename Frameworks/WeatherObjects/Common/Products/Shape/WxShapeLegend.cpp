#include "WxShape.h"

#include "WxDrawSupport.h"

#include "CxCoordinates.h"
#include "CxDebug.h"
#include "DxShape.h"
#include "DxShapeManager.h"
#include "GxContext.h"

#include <GL/gl.h>
#include <vector>

WxShapeLegend::WxShapeLegend(WxShape* inShape) : WxProductInspector(inShape), mShape(inShape) {}

WxShapeLegend::~WxShapeLegend() = default;

void WxShapeLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    ioContext.PushAttribs();
    glPushMatrix();
    CxAssertText(mShape != nullptr, "nil != mShape");
    const DxShape* shape = mShape != nullptr ? mShape->Shape() : nullptr;
    if (shape == nullptr)
    {
        glPopMatrix();
        ioContext.PopAttribs();
        return;
    }
    CxRect normal = inBounds;
    normal.Normalize();
    GxRect target(normal.left + 2.0, normal.top, normal.right - 2.0, normal.bottom);
    const GxRect source = WxShapeBounds(*shape);
    // Keep the shape's proportions, centred in the row.
    const double aspect = source.Height() / source.Width();
    if (target.Height() / target.Width() > aspect)
    {
        const double height = aspect * target.Width();
        const double cut = target.Height() - height;
        target.mBottom += cut / 2.0;
        target.SetHeight(height);
    }
    else
    {
        const double width = target.Height() / aspect;
        const double cut = target.Width() - width;
        target.mLeft += cut / 2.0;
        target.SetWidth(width);
    }
    const GxColor colour = WxStandOff(mShape->Color(), Color());
    ioContext.LineWidth(float(mShape->LineWidth()));
    glEnable(GL_LINE_SMOOTH);
    glColor4d(colour.mRed, colour.mGreen, colour.mBlue, colour.mAlpha * Alpha());
    glBegin(GL_LINES);
    for (const auto& polygon : shape->Polygons())
    {
        const auto& points = polygon->Points();
        for (std::size_t i = 1; i < points.size(); ++i)
        {
            const GxPoint a = points[i - 1].Map(source, target);
            const GxPoint b = points[i].Map(source, target);
            glVertex2d(a.mX, a.mY);
            glVertex2d(b.mX, b.mY);
        }
    }
    glEnd();
    glDisable(GL_LINE_SMOOTH);
    glPopMatrix();
    ioContext.PopAttribs();
}
