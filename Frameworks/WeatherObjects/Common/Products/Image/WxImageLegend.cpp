#include "WxImage.h"

#include "WxDrawSupport.h"
#include "WxLegendPainter.h"

#include "CxDebug.h"
#include "DxImage.h"
#include "DxImageManager.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

WxImageLegend::WxImageLegend(WxImage* inImage) : WxProductInspector(inImage), mImage(inImage)
{
    CxAssertText(inImage != nullptr, "inImage != nil");
}

WxImageLegend::~WxImageLegend() = default;

void WxImageLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    const DxImage* image = mImage->Image();
    const DxStringField* keys = image != nullptr ? image->FindStringField(CxString("legendKey")) : nullptr;
    // Without keys there are no rows to size.
    if (keys == nullptr || keys->empty())
        return;
    std::vector<GxColor> colors;
    for (const CxString& key : *keys)
        colors.emplace_back(key);
    const std::size_t count = colors.size();
    const CxString tracked = mImage->GetValueFromPosition(TrackPosition()).AsString();
    const double width = inBounds.Width();
    const double rowHeight = (inBounds.Height() - 10.0) / double(count);
    DeleteTextures(ioContext);
    WxLegendPainter painter(ioContext, *this);

    mWidestLabel = 0.0;
    if (const DxStringField* values = image->FindStringField(CxString("legendValue")))
    {
        GxFont font(0, 8);
        for (const CxString& value : *values)
        {
            auto* label = new GxString(value, &font);
            label->Texture(ioContext);
            mWidestLabel = std::max(mWidestLabel, double(label->Width()));
            mGxStrings.push_back(label);
        }
    }
    mSwatchWidth = std::floor(std::max(10.0, std::min(width / 3.5, width - mWidestLabel - 15.0)));
    const double swatch = mSwatchWidth;
    const double a = Alpha();

    glTranslated(5.0, 5.0, 0.0);
    painter.DrawColorRows(colors.cbegin(), colors.cend(), swatch, rowHeight);
    const double inkLevel = Color().Brightness() > 0.6 ? 0.0 : 1.0;
    const GxColor ink(inkLevel, inkLevel, inkLevel, 1.0);
    ioContext.LineWidth(1.0f);
    if (rowHeight >= 10.0 && count <= 40)
    {
        WxGlColor(ink, a);
        for (std::size_t i = 0; i < count; ++i)
            WxOutlineRect(0.0, double(i) * rowHeight, swatch, double(i + 1) * rowHeight);
    }
    ioContext.LineWidth(3.0f);
    for (std::size_t i = 0; i < count; ++i)
        if (colors[i].AsString() == tracked)
            WxOutlineRect(0.0, double(i) * rowHeight, swatch, double(i + 1) * rowHeight);
    ioContext.LineWidth(1.0f);

    if (mGxStrings.empty())
        CxDebug(CxString("image legend without legendValue texts: swatches unlabelled"));
    else
    {
        glTranslated(((width - 10.0) - swatch) * 0.5 + swatch + 5.0, rowHeight * 0.5, 0.0);
        glTranslated(0.375, 0.375, 0.0);
        WxGlColor(ink, a);
        for (std::size_t i = 0; i < mGxStrings.size(); ++i)
        {
            mGxStrings[i]->SetPosition(0.0, std::floor(double(i) * rowHeight + 0.5));
            mGxStrings[i]->Draw(ioContext, kGxHAlignCenter, kGxVAlignCenter);
        }
    }
}
