// Text on the canvas against Cairo's own measurements.
#include "PfText.h"
#include "PfCairoCanvas.h"
#include "PfRecordingCanvas.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

using namespace pf;

TextLayout LayOut(const std::u16string& inText, int inPixelSize, const Affine& inMatrix = Affine{})
{
    TextLayout layout;
    layout.SetFontMatrix(inMatrix);
    layout.Build(reinterpret_cast<const std::uint16_t*>(inText.data()), static_cast<std::uint32_t>(inText.size()),
                 TextStyle::Make(FontRegistry::kDefaultFontId, inPixelSize), 0);
    return layout;
}

TEST(PfText, HelloHasCairosAdvanceAndInkWidth)
{
    const TextLayout layout = LayOut(u"Hello", 12);
    ASSERT_TRUE(layout.Style());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    cairo_t* cr = cairo_create(surface);
    CairoCanvas::SetTextFont(cr, FontRegistry::kDefaultFontId, 12, Affine{1, 0, 0, -1, 0, 0});
    cairo_text_extents_t extents;
    cairo_text_extents(cr, "Hello", &extents);
    EXPECT_GT(extents.x_advance, 20);
    EXPECT_EQ(layout.EndOffset(), static_cast<int>(std::ceil(extents.x_advance)));
    // Ink from the glyphs' control boxes may reach one pixel past Cairo's tight box, never less.
    const int cairoInk = static_cast<int>(std::ceil(extents.x_bearing + extents.width) - std::floor(extents.x_bearing));
    EXPECT_GE(layout.InkWidth(), cairoInk);
    EXPECT_LE(layout.InkWidth(), cairoInk + 1);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

// Rows and columns holding ink.
struct Ink
{
    int mTop = 1 << 20, mBottom = -1, mLeft = 1 << 20, mRight = -1, mAbove = 0, mBelow = 0;
};

Ink InkOf(const Image& inImage, int inBaseline)
{
    Ink ink;
    for (int y = 0; y < inImage.mHeight; ++y)
        for (int x = 0; x < inImage.mWidth; ++x)
            if (inImage.Pixel(x, y)[3] > 0)
            {
                ink.mTop = std::min(ink.mTop, y);
                ink.mBottom = std::max(ink.mBottom, y);
                ink.mLeft = std::min(ink.mLeft, x);
                ink.mRight = std::max(ink.mRight, x);
                (y < inBaseline ? ink.mAbove : ink.mBelow) += inImage.Pixel(x, y)[3];
            }
    return ink;
}

TEST(PfText, FlippedTextInksAboveTheBaselineOfAYDownCanvas)
{
    struct Case
    {
        Affine mMatrix;
        bool mUpright;
    } cases[] = {{Affine{1, 0, 0, -1, 0, 0}, true}, {Affine{}, false}};
    for (const Case& c : cases)
    {
        const TextLayout layout = LayOut(u"Hello", 20, c.mMatrix);
        auto canvas = CairoCanvas::MakeBitmap(120, 60);
        RecordingCanvas recording(120, 60);
        for (Canvas* target : {static_cast<Canvas*>(canvas.get()), static_cast<Canvas*>(&recording)})
            target->DrawText(layout, {10, 30});
        const Ink ink = InkOf(canvas->Snapshot(), 30);
        const Rect measured = recording.Operations().at(0).mRect;
        EXPECT_EQ(recording.Operations().at(0).mText, "Hello");
        EXPECT_GE(ink.mLeft, measured.x);
        EXPECT_LE(ink.mRight + 1, measured.Right());
        EXPECT_GE(ink.mTop, measured.y);
        EXPECT_LE(ink.mBottom + 1, measured.Bottom());
        if (c.mUpright)
        {
            EXPECT_EQ(measured, (Rect{10, 30.0 - layout.Ascent(), double(layout.EndOffset()),
                                      double(layout.Ascent() + layout.Descent())}));
            EXPECT_GT(ink.mAbove, 20 * ink.mBelow);
        }
        else
            EXPECT_GT(ink.mBelow, 20 * ink.mAbove);
    }
}

} // namespace
