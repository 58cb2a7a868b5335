#include "WxAdvisory.h"

#include "WxDrawSupport.h"

#include "DxShape.h"
#include "GxContext.h"
#include "GxFont.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

WxAdvisoryLegend::WxAdvisoryLegend(WxAdvisory* inAdvisory) : WxProductInspector(inAdvisory), mAdvisory(inAdvisory) {}

WxAdvisoryLegend::~WxAdvisoryLegend() = default;

void WxAdvisoryLegend::AccumulateAdvisories()
{
    const DxShape* shape = mAdvisory->Shape();
    if (shape == nullptr)
        return;
    mKinds.clear();
    const DxStringField* kinds = shape->FindStringField(CxString("phenomenon"));
    if (kinds == nullptr)
        return;
    for (auto kind = kinds->rbegin(); kind != kinds->rend(); ++kind)
        if (std::find(mKinds.begin(), mKinds.end(), *kind) == mKinds.end())
            mKinds.push_back(*kind);
}

void WxAdvisoryLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    AccumulateAdvisories();
    const CxString hilited = mAdvisory->GetAdvisoryFromPosition(TrackPosition());
    const double a = Alpha();
    const double plainInk = Color().Brightness() > 0.6 ? 0.0 : 1.0;
    const double width = inBounds.Width();
    ioContext.PushAttribs();
    glPushMatrix();
    glTranslated(0.0, inBounds.Height(), 0.0);
    const std::size_t rows = std::min(std::size_t(std::max(0, inBounds.Height() / 18)), mKinds.size());
    GxFont font(0, 9);
    auto kind = mKinds.begin();
    for (std::size_t row = 0; row < rows; ++row, ++kind)
    {
        const DxAdvisory info = mAdvisory->FindAdvisoryInfo(*kind);
        const GxColor color(info.Color());
        glTranslated(0.0, -18.0, 0.0);
        double ink = plainInk;
        if (*kind == hilited)
        {
            const GxColor band = GxSystemHiliteColor();
            WxGlColor(band, 0.8 * a);
            glBegin(GL_QUADS);
            glVertex2d(0.0, -2.0);
            glVertex2d(width, -2.0);
            glVertex2d(width, 16.0);
            glVertex2d(0.0, 16.0);
            glEnd();
            ink = band.Brightness() > 0.6 ? 0.0 : 1.0;
        }
        WxGlColor(color, color.mAlpha * a);
        glBegin(info.IsFilled() ? GL_QUADS : GL_LINE_STRIP);
        for (const auto& [x, y] : {std::pair{4.0, 0.0}, {18.0, 0.0}, {18.0, 14.0}, {4.0, 14.0}})
            glVertex2d(x, y);
        if (!info.IsFilled())
            glVertex2d(4.0, 0.0);
        glEnd();
        glTranslated(22.0, 0.0, 0.0);
        GxString name(info.Name(), &font);
        name.TruncateToWidth(CxSint32(width) - 26 - (row == 0 ? 23 : 0));
        name.Texture(ioContext);
        glTranslated(0.375, 7.375, 0.0);
        glColor4d(ink, ink, ink, a);
        name.Draw(ioContext, kGxHAlignLeft, kGxVAlignCenter);
        name.UnTexture(ioContext);
        glTranslated(-22.375, -7.375, 0.0);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}
