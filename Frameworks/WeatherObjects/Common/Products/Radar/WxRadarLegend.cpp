#include "WxRadar.h"

#include "WxDrawSupport.h"
#include "WxLegendPainter.h"

#include "CxDebug.h"
#include "DxImage.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"

#include <GL/gl.h>
#include <algorithm>
#include <array>
#include <cmath>

namespace
{

// A palette index for drawing: truncated into 0 to 255, 0 for NaN.
std::size_t IndexOf(double inValue)
{
    return std::isfinite(inValue) ? std::size_t(std::clamp(inValue, 0.0, 255.0)) : 0;
}

} // namespace

WxRadarLegend::WxRadarLegend(WxRadar* inRadar) : WxProductInspector(inRadar), mRadar(inRadar)
{
    CxAssertText(inRadar != nullptr, "inRadar != nil");
}

WxRadarLegend::~WxRadarLegend() = default;

double WxRadarLegend::TrackedIndex() const
{
    return mRadar->GetValueFromPosition(TrackPosition());
}

void WxRadarLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    const DxIndexedImage* image = mRadar->IndexedImage();
    if (image == nullptr)
        return;
    if (image->FindField(CxString("dataLevel")) != nullptr)
        DrawColorBoxes(ioContext, inBounds);
    else
        DrawColorRamp(ioContext, inBounds);
}

void WxRadarLegend::DrawColorBoxes(GxContext& ioContext, const CxRect& inBounds)
{
    const DxImage* image = mRadar->Image();
    const GxColorTable colors = mRadar->GetColorTable();
    const std::size_t count = colors.size();
    // Without colours there are no boxes to size, nor boxes of an earlier frame to click.
    if (count == 0)
    {
        mColorCount = 0;
        return;
    }
    WxLegendPainter painter(ioContext, *this);
    ioContext.LineWidth(1.0f);
    mLegendRect = inBounds;
    const double a = painter.Alpha();
    const GxColor& ink = painter.Ink();

    std::vector<CxString> levels;
    if (const DxStringField* field = image->FindStringField(CxString("dataLevel")))
        levels.assign(field->begin(), field->end());
    if (count != mColorCount)
    {
        mLabels.clear();
        DeleteTextures(ioContext);
        mColorCount = count;
    }
    if (mLabels != levels)
        DeleteTextures(ioContext);
    if (mGxStrings.empty())
    {
        mLabels.clear();
        GxFont titleFont(0, 9), labelFont(0, 8);
        auto* title = new GxString(mRadar->NidsUnit().Name(), &titleFont);
        title->Texture(ioContext);
        mGxStrings.push_back(title);
        mLabelWidth = 0.0;
        for (const CxString& level : levels)
        {
            auto* label = new GxString(level, &labelFont);
            label->Texture(ioContext);
            mLabelWidth = std::max(mLabelWidth, double(label->Width()));
            mGxStrings.push_back(label);
        }
        mLabels = levels;
    }

    const double width = inBounds.Width();
    const double height = inBounds.Height();
    const double column = height - 20.0;
    const double h = column / double(count);
    double w = width * 0.25;
    double x = std::floor(width * 0.375);
    if (mRadar->GetDrawStorms())
    {
        w = (width - 100.0) * 0.25;
        x = std::floor((width - 92.0) * 0.5);
        if (x + w > width / 2.0)
            x = width / 2.0 - w;
    }
    mBoxRect = GxRect(x, 10.0, x + w, column + 10.0);
    glTranslated(x, 10.0, 0.0);
    painter.DrawColorRows(colors.begin(), colors.end(), w, h);
    if (mRadar->GetDrawStorms())
    {
        // The key is 100 x 240 pixels at the bottom left of its 128 x 256 texture.
        const GLuint key = ioContext.GetTexture(CxString("WxStormLegend"), false);
        const double s = std::min(height / 240.0, 1.0);
        const double kw = 100.0 * s, kh = 240.0 * s;
        const double kx = w + std::floor((width - (x + w) - kw) / 2.0);
        const double ky = std::floor((height - kh) / 2.0) - 10.0;
        if (key > 0)
        {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, key);
            glColor4d(1.0, 1.0, 1.0, 0.9 * a);
            glBegin(GL_QUADS);
            for (const auto& [u, v] : {std::array{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}})
            {
                glTexCoord2d(u * 0.78125, v * 0.9375);
                glVertex2d(kx + u * kw, ky + v * kh);
            }
            glEnd();
            glDisable(GL_TEXTURE_2D);
        }
    }
    WxGlColor(ink, a);
    for (std::size_t i = 0; i < count; ++i)
        WxOutlineRect(0.0, double(i) * h, w, double(i + 1) * h);
    const double tracked = TrackedIndex();
    if (std::isfinite(TrackPosition().mLongitude) && std::isfinite(tracked))
    {
        const double y = tracked * h;
        WxOutlineRect(1.0, y + 1.0, w - 1.0, y + h - 1.0);
        WxOutlineRect(2.0, y + 2.0, w - 2.0, y + h - 2.0);
    }
    const std::vector<unsigned char> toggles = mRadar->ColorToggles();
    WxGlColor(ink, a * 0.3);
    glEnable(GL_LINE_SMOOTH);
    for (std::size_t i = 0; i < count && i < toggles.size(); ++i)
        if (toggles[i] == 0)
        {
            const double y = double(i) * h;
            glBegin(GL_LINE_STRIP);
            for (const auto& [px, py] : {std::pair{0.0, y}, {w, y + h}, {w, y}, {0.0, y + h}, {0.0, y}})
                glVertex2d(px, py);
            glEnd();
        }
    glDisable(GL_LINE_SMOOTH);

    WxGlColor(ink, a);
    glTranslated(-5.0, std::floor(h / 2.0), 0.0);
    const double labels = double(mGxStrings.size() - 1);
    for (std::size_t j = 1; j < mGxStrings.size(); ++j)
    {
        mGxStrings[j]->SetPosition(0.375, std::floor(((double(count) - labels) / 2.0 + double(j - 1)) * h + 0.375));
        mGxStrings[j]->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
    }
    glPushMatrix();
    glTranslated(-4.0 - mLabelWidth + 0.375, std::floor(column / 2.0 - 10.0) + 0.375, 0.0);
    glRotated(90.0, 0.0, 0.0, 1.0);
    mGxStrings.front()->SetPosition(0.0, 0.0);
    mGxStrings.front()->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);
    glPopMatrix();
}

void WxRadarLegend::DrawColorRamp(GxContext& ioContext, const CxRect& inBounds)
{
    const DxImage* image = mRadar->Image();
    const DxFloatField* units = image->FindFloatField(CxString("units"));
    const DxFloatField* tracking = image->FindFloatField(CxString("tracking"));
    const GxColorTable colors = mRadar->GetColorTable();
    if (units == nullptr || tracking == nullptr || colors.empty())
        return;
    DeleteTextures(ioContext);
    const DxUnit dataUnit = units->Unit();
    double minimum = dataUnit.Id() == "mps" ? -34.0 : 0.0;
    double maximum = dataUnit.Id() == "mps" ? 34.0 : 75.0;
    if (const DxFloatField* range = image->FindFloatField(CxString("dataRange"));
        range != nullptr && range->size() == 2)
    {
        minimum = (*range)[0];
        maximum = (*range)[1];
    }
    const DxUnit display = mRadar->GetDisplayUnit().Id() == "nada" ? dataUnit : mRadar->GetDisplayUnit();
    const DxUnitConverter converter(dataUnit, display);

    WxLegendPainter painter(ioContext, *this);
    const double width = inBounds.Width();
    const double ramp = inBounds.Height() - 20.0;
    const double rampWidth = width * 0.25;
    const double row = ramp / double(colors.size());
    glTranslated(std::floor(width * 0.375), 10.0, 0.0);
    painter.DrawColorRows(colors.begin(), colors.end(), rampWidth, row);
    ioContext.LineWidth(1.0f);
    WxGlColor(painter.Ink(), 0.5);
    WxOutlineRect(0.0, -1.0, rampWidth, ramp);
    const std::size_t index = IndexOf(TrackedIndex());
    glRectd(0.0, double(index) * row, rampWidth + 4.0, double(index + 1) * row);

    const int decimals = painter.DrawValueAxis(ioContext, inBounds, ramp, converter.Convert(minimum),
                                               converter.Convert(maximum), display);
    const bool shown = index < tracking->size();
    painter.DrawReadout(ioContext, mGxStrings, shown, shown ? converter.Convert((*tracking)[index]) : NAN, decimals,
                        rampWidth, std::trunc(double(index) * row));
}

void WxRadarLegend::OnMouseDown(const WxMouseDown& inEvent)
{
    if (const DxIndexedImage* image = mRadar->IndexedImage(); image != nullptr && image->GetColors().size() > 16)
        return;
    if (mColorCount == 0 || !(mBoxRect.Height() > 0.0))
        return;
    const GxPoint point(inEvent.mWhere.h, double(mLegendRect.Height()) - inEvent.mWhere.v);
    const double q = (point.mY - mBoxRect.mBottom) / (mBoxRect.Height() / double(mColorCount));
    // Doubles become indices only when finite and in range.
    if (!std::isfinite(q) || q <= -32768.0 || q >= 32768.0)
        return;
    const auto index = short(std::trunc(q));
    if ((inEvent.mModifiers & WxMouseDown::kCommand) != 0)
        mRadar->ToggleAllColors(index);
    else if (point.IsInside(mBoxRect))
        mRadar->ToggleColorByIndex(index);
}
