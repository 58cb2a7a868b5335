#include "GxFont.h"
#include "CxDebug.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <gtest/gtest.h>

TEST(GxFont, EqualityAndValidity)
{
    EXPECT_EQ(GxFont("DejaVu Sans", 12), GxFont("DejaVu Sans", 12));
    EXPECT_NE(GxFont("DejaVu Sans", 12), GxFont("DejaVu Sans", 13));
    EXPECT_NE(GxFont("DejaVu Serif", 12), GxFont("DejaVu Sans", 12));
    EXPECT_EQ(GxFont("DejaVu Sans", 12), GxFont(0u, 12));
    EXPECT_FALSE(GxFont("DejaVu Sans", 0).IsValid());
    EXPECT_TRUE(GxFont(0u, 1).IsValid());
    // An unknown name is the default font.
    EXPECT_EQ(GxFont("Nothing Like It", 9).Id(), 0u);
}

TEST(GxFont, StylesAreTwoPointsLarger)
{
    const GxFont font(0u, 12);
    const GxTextStyleRef& style = font.GetAtsuStyle();
    ASSERT_TRUE(style);
    EXPECT_EQ(style->PixelSize(), 14);
    EXPECT_EQ(font.GetAtsuStyle().get(), style.get());

    EXPECT_FALSE(GxFont(0u, 0).GetAtsuStyle());
    EXPECT_FALSE(GxFont(100000u, 12).GetAtsuStyle());

    GxTextStyleRef out = GxTextStyle::Make(0, 20);
    const GxTextStyle* before = out.get();
    EXPECT_FALSE(GxFont::MakeAtsuStyle(100000u, 12, out));
    EXPECT_FALSE(GxFont::MakeAtsuStyle(0u, -1, out));
    EXPECT_EQ(out.get(), before);
    EXPECT_TRUE(GxFont::MakeAtsuStyle(0u, 8, out));
    EXPECT_EQ(out->PixelSize(), 10);
}

TEST(GxFont, ExternalizeAndInternalize)
{
    XmlBuilder builder;
    GxFont("DejaVu Sans", 10).Externalize(builder);
    const XmlElement* element = builder.Root()->FindElement("font");
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->GetAttribute("name"), "DejaVu Sans");
    EXPECT_EQ(element->GetAttribute("size"), "10");

    GxFont font(0u, 8);
    font.Internalize(element);
    EXPECT_EQ(font, GxFont(0u, 10));
    ASSERT_TRUE(font.GetAtsuStyle());
    EXPECT_EQ(font.GetAtsuStyle()->PixelSize(), 12);

    XmlElement serif("font");
    serif.SetAttribute("name", "DejaVu Serif");
    serif.SetAttribute("size", "11");
    font.Internalize(&serif);
    EXPECT_EQ(GxFontRegistry::FullName(font.Id()), "DejaVu Serif");
    EXPECT_EQ(font.Size(), 11);

    // An unknown name keeps the id.
    XmlElement unknown("font");
    unknown.SetAttribute("name", "Unheard Of");
    unknown.SetAttribute("size", "9");
    const CxUint32 serifId = font.Id();
    font.Internalize(&unknown);
    EXPECT_EQ(font.Id(), serifId);
    EXPECT_EQ(font.Size(), 9);

    CxDebugCapture capture;
    font.Internalize(nullptr);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(font.Size(), 9);
}

TEST(GxFont, ClassicStyles)
{
    GxTextStyleRef style;
    ASSERT_TRUE(MakeATSUIStyle(0, 0, 12, style));
    EXPECT_EQ(style->FontId(), 0u);
    EXPECT_EQ(style->PixelSize(), 12);

    ASSERT_TRUE(MakeATSUIStyle(0, kGxFontBold | kGxFontUnderline, 9, style));
    EXPECT_EQ(GxFontRegistry::FullName(style->FontId()), "DejaVu Sans Bold");
    ASSERT_TRUE(MakeATSUIStyle(0, kGxFontItalic | kGxFontCondensed | kGxFontExtended, 9, style));
    EXPECT_EQ(GxFontRegistry::FullName(style->FontId()), "DejaVu Sans Oblique");

    // A known font id as the family keeps that family.
    CxUint32 serif = 0;
    ASSERT_TRUE(GxFontRegistry::FindFullName("DejaVu Serif", serif));
    ASSERT_TRUE(MakeATSUIStyle(static_cast<CxSint16>(serif), kGxFontBold, 9, style));
    EXPECT_EQ(GxFontRegistry::FullName(style->FontId()), "DejaVu Serif Bold");
    // An unknown family is the default font.
    ASSERT_TRUE(MakeATSUIStyle(30000, 0, 9, style));
    EXPECT_EQ(style->FontId(), 0u);

    const GxTextStyle* before = style.get();
    EXPECT_FALSE(MakeATSUIStyle(0, 0, 0, style));
    EXPECT_EQ(style.get(), before);
}
