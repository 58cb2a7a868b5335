#include "WxVector.h"

#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

WxVectorLegend::WxVectorLegend(WxVector* inVector) : WxProductInspector(inVector), mVector(inVector) {}

WxVectorLegend::~WxVectorLegend() = default;

void WxVectorLegend::DrawLabels(GxContext& ioContext, const WxVectorLegendRows& inRows, double inX, double inFirstY,
                                double inStep, double inGrey)
{
    GxFont font(CxUint32(0), 8);
    const CxString symbol = mVector->Parameter().Unit().Symbol();
    for (std::size_t i = 0; i < inRows.mValues.size(); ++i)
    {
        CxString text(inRows.mValues[i], inRows.mDecimals);
        text += " ";
        text += symbol;
        auto* label = new GxString(text, &font);
        mGxStrings.push_back(label);
        label->Texture(ioContext);
        label->SetPosition(inX, inFirstY + inStep * double(i));
        glColor4d(inGrey, inGrey, inGrey, Alpha());
        label->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
    }
}

void WxVectorLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    DeleteTextures(ioContext);
    // Drawn from the rectangle's own corner.
    const double w = std::abs(double(inBounds.Width())), h = std::abs(double(inBounds.Height()));
    const double grey = Color().Brightness() <= 0.6 ? 1.0 : 0.0;
    GxColor sample = mVector->Color();
    const double brightness = sample.Brightness();
    if (brightness > 0.9)
        sample.Darken(brightness - 0.5);
    else if (brightness < 0.1)
        sample.Lighten(0.5 - brightness);
    const double sampleAlpha = Alpha() * (mVector->IsVisible() ? 1.0 : 0.2);
    const double base = mVector->BaseMagnitude();
    ioContext.PushAttribs();
    ioContext.AntiAlias();
    if (mVector->DrawsBarbs())
    {
        const double tracked = mVector->GetValueFromPosition(TrackPosition());
        const WxVectorLegendRows rows = WxVectorLegendRowsFor(true, base, tracked);
        const double rh = (h - 20.0) / 12.0;
        for (std::size_t i = 0; i < rows.mValues.size(); ++i)
        {
            glPushMatrix();
            glTranslated(w / 2.0, 20.0 + double(i) * rh, 0.0);
            if (rows.mHighlighted[i])
            {
                glColor4d(grey, grey, grey, Alpha() * 0.1);
                const double bottom = i == 0 ? -rh / 2.0 : -rh / 2.0 - 1.0;
                glBegin(GL_QUADS);
                glVertex2d(-w / 2.0, bottom);
                glVertex2d(w / 2.0, bottom);
                glVertex2d(w / 2.0, rh / 2.0);
                glVertex2d(-w / 2.0, rh / 2.0);
                glEnd();
                GxFont font(CxUint32(0), 8);
                mValueText = CxString(tracked, rows.mDecimals);
                mValueLabel = std::make_unique<GxString>(mValueText, &font);
                mValueLabel->Texture(ioContext);
                mValueLabel->SetPosition(w / 2.0 - mValueLabel->Width() - 5.0, 0.0);
                glColor4d(grey, grey, grey, Alpha());
                mValueLabel->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
            }
            glColor4d(sample.mRed, sample.mGreen, sample.mBlue, sampleAlpha);
            const GxVector vector = GxVector::FromMagnitudeAndDegrees(rows.mValues[i], 90.0);
            if (i == 0)
                vector.DrawBarb(GxPoint(5.0, 0.0), 16.0, base);
            else
                vector.DrawBarb(GxPoint(0.0, 0.0), 15.0, base);
            glPopMatrix();
        }
        DrawLabels(ioContext, rows, w / 2.0 - 10.0, 20.0, rh, grey);
    }
    else
    {
        const WxVectorLegendRows rows = WxVectorLegendRowsFor(false, base, kNaN);
        const double rh = (h - 20.0) / 7.0;
        const double top = (h - 6.0 * rh) / 2.0 + 6.0 * rh;
        const double mapScale = mVector->Map() != nullptr ? mVector->Map()->Scale() : 1.0;
        const DxUnitConverter converter(mVector->Parameter().Unit().Base(), mVector->Parameter().Unit());
        glColor4d(sample.mRed, sample.mGreen, sample.mBlue, sampleAlpha);
        for (std::size_t i = 0; i < rows.mValues.size(); ++i)
        {
            const double length = std::min(converter.Revert(rows.mValues[i]) * mapScale, 30.0);
            GxVector::FromMagnitudeAndDegrees(length, 90.0)
                .DrawArrow(ioContext, GxPoint(w / 2.0 - 18.0, top - double(i) * rh), 3.0);
        }
        DrawLabels(ioContext, rows, w / 2.0 - 26.0, top, -rh, grey);
    }
    ioContext.PopAttribs();
}
