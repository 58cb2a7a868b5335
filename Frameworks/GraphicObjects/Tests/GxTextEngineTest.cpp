#include "GxTextEngine.h"
#include "CxDebug.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

GxTextLayout LayOut(const std::u16string& inText, const GxTextStyleRef& inStyle, CxSint32 inMaxWidth = 0)
{
    GxTextLayout layout;
    layout.Build(reinterpret_cast<const CxUint16*>(inText.data()), static_cast<CxUint32>(inText.size()), inStyle,
                 inMaxWidth);
    return layout;
}

std::u16string Text(const GxTextLayout& inLayout)
{
    std::u16string text;
    for (const CxUint32 c : inLayout.CodePoints())
    {
        if (c >= 0x10000)
        {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
            text += static_cast<char16_t>(c);
    }
    return text;
}

} // namespace

TEST(GxFontRegistry, DefaultAndNamedFaces)
{
    GxFontFace face;
    ASSERT_TRUE(GxFontRegistry::Describe(0, face));
    EXPECT_EQ(face.mFullName, "DejaVu Sans");
    EXPECT_TRUE(face.mFile.ends_with("DejaVuSans.ttf")) << face.mFile;

    // The default face asked for by name keeps its id; another face gets one of its own, the same every time.
    CxUint32 id = 99;
    ASSERT_TRUE(GxFontRegistry::FindFullName("DejaVu Sans", id));
    EXPECT_EQ(id, 0u);
    CxUint32 serif = 0;
    ASSERT_TRUE(GxFontRegistry::FindFullName("DejaVu Serif", serif));
    EXPECT_NE(serif, 0u);
    CxUint32 again = 0;
    ASSERT_TRUE(GxFontRegistry::FindFullName("DejaVu Serif", again));
    EXPECT_EQ(again, serif);
    EXPECT_EQ(GxFontRegistry::FullName(serif), "DejaVu Serif");

    CxUint32 untouched = 77;
    EXPECT_FALSE(GxFontRegistry::FindFullName("No Such Font Anywhere", untouched));
    EXPECT_FALSE(GxFontRegistry::FindFullName("", untouched));
    EXPECT_EQ(untouched, 77u);
    EXPECT_EQ(GxFontRegistry::FullName(100000), "");
}

TEST(GxFontRegistry, StyledFacesComeFromTheFamily)
{
    struct Case
    {
        bool mBold;
        bool mItalic;
        const char* mName;
    };
    for (const Case& c : {Case{true, false, "DejaVu Sans Bold"}, Case{false, true, "DejaVu Sans Oblique"},
                          Case{true, true, "DejaVu Sans Bold Oblique"}, Case{false, false, "DejaVu Sans"}})
        EXPECT_EQ(GxFontRegistry::FullName(GxFontRegistry::FindStyled(0, c.mBold, c.mItalic)), c.mName);
    // An unknown id stays as it is.
    EXPECT_EQ(GxFontRegistry::FindStyled(100000, true, false), 100000u);
}

TEST(GxTextStyle, MetricsAndSizes)
{
    // DejaVu Sans: 2048 units to the em, ascender 1901 and descender -483 in its horizontal header. At 14 pixels
    // those are 12.99 and 3.30 pixels.
    const GxTextStyleRef style = GxTextStyle::Make(0, 14);
    ASSERT_TRUE(style);
    EXPECT_EQ(style->Ascent(), 13);
    EXPECT_EQ(style->Descent(), 4);
    EXPECT_EQ(style->PixelSize(), 14);

    EXPECT_FALSE(GxTextStyle::Make(0, 0));
    EXPECT_FALSE(GxTextStyle::Make(0, -3));
    EXPECT_FALSE(GxTextStyle::Make(100000, 12));

    CxDebugCapture capture;
    const GxTextStyleRef huge = GxTextStyle::Make(0, 30002);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->PixelSize(), GxTextStyle::kMaxPixelSize);
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxTextLayout, KerningCharactersFallbackAndEmptyLayouts)
{
    const GxTextStyleRef style = GxTextStyle::Make(0, 14);
    ASSERT_TRUE(style);
    const GxTextLayout a = LayOut(u"A", style);
    const GxTextLayout v = LayOut(u"V", style);
    const GxTextLayout av = LayOut(u"AV", style);
    EXPECT_GT(a.EndOffset(), 0);
    EXPECT_LT(av.EndOffset(), a.EndOffset() + v.EndOffset());
    EXPECT_GT(av.InkWidth(), 0);
    EXPECT_LE(av.InkWidth(), av.EndOffset() + 2);

    // A surrogate pair is one character; a lone surrogate is U+FFFD.
    const GxTextLayout pair = LayOut(u"A\U0001D538B", style);
    EXPECT_EQ(pair.CountGlyphs(), 3u);
    EXPECT_EQ(pair.CodePoints()[1], 0x1D538u);
    const std::u16string lone{u'A', char16_t(0xDC00), u'B', char16_t(0xD800)};
    EXPECT_EQ(LayOut(lone, style).CodePoints(), (std::vector<CxUint32>{'A', 0xFFFD, 'B', 0xFFFD}));

    const GxTextLayout none = LayOut(u"Hello", nullptr);
    EXPECT_EQ(none.EndOffset(), 0);
    EXPECT_EQ(none.Ascent() + none.Descent(), 0);
    EXPECT_EQ(LayOut(u"", style).EndOffset(), 0);
    EXPECT_EQ(LayOut(u"   ", style).InkWidth(), 0);

    // Mathematical bold A is not in DejaVu Sans but in another installed font.
    const GxTextLayout layout = LayOut(u"x\U0001D400x", style);
    ASSERT_EQ(layout.CountGlyphs(), 3u);
    EXPECT_EQ(layout.GlyphFontId(0), 0u);
    EXPECT_NE(layout.GlyphFontId(1), 0u);
    EXPECT_NE(GxFontRegistry::FullName(layout.GlyphFontId(1)), "");
    EXPECT_EQ(layout.GlyphFontId(2), 0u);
    // A private-use character no font has stays with the style's face.
    EXPECT_EQ(LayOut(u"\uE000", style).GlyphFontId(0), 0u);
}

TEST(GxTextLayout, TruncationKeepsBothEnds)
{
    const GxTextStyleRef style = GxTextStyle::Make(0, 14);
    ASSERT_TRUE(style);
    const std::u16string text = u"Temperature at Oklahoma City Will Rogers";
    const GxTextLayout full = LayOut(text, style);
    ASSERT_GT(full.EndOffset(), 130);
    EXPECT_FALSE(full.IsTruncated());
    EXPECT_EQ(LayOut(text, style, full.EndOffset()).CodePoints().size(), text.size());

    for (const CxSint32 width : {130, 80, 40})
    {
        const GxTextLayout cut = LayOut(text, style, width);
        const std::u16string shown = Text(cut);
        EXPECT_TRUE(cut.IsTruncated());
        EXPECT_LE(cut.EndOffset(), width) << width;
        const auto ellipsis = shown.find(u'\u2026');
        ASSERT_NE(ellipsis, std::u16string::npos) << width;
        EXPECT_GT(ellipsis, 0u);
        EXPECT_LT(ellipsis, shown.size() - 1);
        EXPECT_EQ(shown.front(), u'T');
        EXPECT_EQ(shown.back(), u's');
        EXPECT_EQ(text.substr(0, ellipsis), shown.substr(0, ellipsis));
        EXPECT_TRUE(text.ends_with(shown.substr(ellipsis + 1)));
        // Nothing more of either side would have fitted.
        const std::u16string longer = text.substr(0, ellipsis + 1) + shown.substr(ellipsis);
        EXPECT_GT(LayOut(longer, style).EndOffset(), width);
    }
    // Too narrow even for the ellipsis: the ellipsis alone.
    const GxTextLayout tiny = LayOut(text, style, 2);
    EXPECT_EQ(tiny.CodePoints(), (std::vector<CxUint32>{GxTextLayout::kEllipsis}));
}

TEST(GxTextLayout, RenderedCoverageStaysInTheLayoutBox)
{
    const GxTextStyleRef style = GxTextStyle::Make(0, 14);
    ASSERT_TRUE(style);
    const GxTextLayout layout = LayOut(u"Hello", style);
    const CxSint32 width = 64;
    const CxSint32 height = 32;
    const CxSint32 x = 5;
    const CxSint32 baseline = 20;
    std::vector<CxUint8> coverage(width * height, 0);
    layout.Render(coverage.data(), width, height, x, baseline);
    int inked = 0;
    for (CxSint32 row = 0; row < height; ++row)
        for (CxSint32 column = 0; column < width; ++column)
            if (coverage[row * width + column] != 0)
            {
                ++inked;
                EXPECT_GE(column, x);
                EXPECT_LT(column, x + layout.EndOffset());
                EXPECT_GE(row, baseline - layout.Ascent());
                EXPECT_LT(row, baseline + layout.Descent());
            }
    EXPECT_GT(inked, 40);
    EXPECT_EQ(*std::max_element(coverage.begin(), coverage.end()), 255);

    // Drawing off the edges cuts the glyphs without writing outside the bitmap (ASan checks the rest).
    std::vector<CxUint8> small(4 * 4, 0);
    layout.Render(small.data(), 4, 4, -3, 2);
    layout.Render(small.data(), 4, 4, 2, 30);
}
