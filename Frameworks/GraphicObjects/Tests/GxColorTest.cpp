#include "GxColor.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Text(const GxColor& inColor)
{
    return inColor.AsString().AsUtf8();
}

std::string Hex(CxUint32 inPacked)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%08X", static_cast<unsigned>(inPacked));
    return text;
}

void ExpectColor(const GxColor& inColor, double inRed, double inGreen, double inBlue, double inAlpha)
{
    EXPECT_DOUBLE_EQ(inColor.mRed, inRed);
    EXPECT_DOUBLE_EQ(inColor.mGreen, inGreen);
    EXPECT_DOUBLE_EQ(inColor.mBlue, inBlue);
    EXPECT_DOUBLE_EQ(inColor.mAlpha, inAlpha);
}

} // namespace

TEST(GxColorTest, ReadsText)
{
    ExpectColor(GxColor(CxString("#FF8000")), 1, 128 / 255.0, 0, 1);
    EXPECT_EQ(Text(GxColor(CxString("#FF8000"))), "#FF8000FF");
    EXPECT_EQ(GxColor(CxString("#CCCCCC")), GxColor(CxString("#CCCCCCFF")));
    EXPECT_EQ(GxColor(CxString("#ccccccff")), GxColor(CxString("#CCCCCCFF")));
    ExpectColor(GxColor(CxString("#12345678")), 0x12 / 255.0, 0x34 / 255.0, 0x56 / 255.0, 0x78 / 255.0);

    const struct
    {
        const char* mText;
        const char* mExpected;
    } cases[] = {
        // Short texts read their missing positions as 0, like non-digits; nothing past the end is read.
        {"", "#000000FF"},
        {"#", "#000000FF"},
        {"#F", "#F00000FF"},
        {"#FF", "#FF0000FF"},
        {"#FF00F", "#FF00F0FF"},
        // Non-digits count as 0; position 0 is not looked at.
        {"#GG0000", "#000000FF"},
        {"#1G2H3I", "#102030FF"},
        {"XABCDEF", "#ABCDEFFF"},
        // Alpha only from exactly nine characters.
        {"#FF000080", "#FF000080"},
        {"#FF00008", "#FF0000FF"},
        {"#FF0000800", "#FF0000FF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(GxColor(CxString(c.mText))), c.mExpected) << '"' << c.mText << '"';
}

TEST(GxColorTest, EightDigitsRoundTrip)
{
    // Every byte value in every channel comes back as itself, upper case.
    for (CxUint32 value = 0; value < 256; ++value)
    {
        for (int channel = 0; channel < 4; ++channel)
        {
            CxUint32 packed = 0x10203040;
            const int shift = 24 - 8 * channel;
            packed = (packed & ~(0xFFu << shift)) | (value << shift);
            const std::string text = Hex(packed);
            std::string lower = text;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            ASSERT_EQ(Text(GxColor(CxString(lower.c_str()))), text);
            ASSERT_EQ(Text(GxColor(packed)), text);
            ASSERT_EQ(GxColor(CxString(text.c_str())), GxColor(packed));
        }
    }
}

TEST(GxColorTest, WritesTruncatedLowBytes)
{
    const struct
    {
        double mChannel;
        const char* mByte;
    } cases[] =
        {
            {0.999, "FE"}, {1.0, "FF"},    {0.5, "7F"},    {1.5, "7E"},      {-1.5, "82"},
            {256.0, "00"}, {kNaN, "00"},   {-kNaN, "00"},  {INFINITY, "00"}, {-INFINITY, "00"},
            {1e300, "00"}, {-1e300, "00"}, {3.7e16, "00"}, // 9.435e18 is past the signed 64-bit range
        };
    for (const auto& c : cases)
    {
        GxColor color;
        color.mGreen = c.mChannel;
        EXPECT_EQ(Text(color), std::string("#00") + c.mByte + "00FF") << c.mChannel;
        EXPECT_EQ(color.AsUint32(), 0xFF000000u | (std::stoul(c.mByte, nullptr, 16) << 8)) << c.mChannel;
    }
    // Packed for textures: red in the lowest byte.
    EXPECT_EQ(GxColor(0x11223344).AsUint32(), 0x44332211u);
}

TEST(GxColorTest, ChecksChannelsAndDepths)
{
    {
        CxDebugCapture capture;
        ExpectColor(GxColor(8, 255, 0, 128, 255), 1, 0, 128 / 255.0, 1);
        ExpectColor(GxColor(32, 0xFFFFFFFF, 0, 0x80000000, 0xFFFFFFFF), 1, 0, 0x80000000 / 4294967295.0, 1);
        EXPECT_EQ(capture.Count(), 0u);
    }
    {
        // Out of range: reported, kept.
        CxDebugCapture capture;
        ExpectColor(GxColor(-0.5, 1.5, 2, -1), -0.5, 1.5, 2, -1);
        EXPECT_EQ(capture.Count(), 4u);
        capture.Clear();
        const GxColor nan(kNaN, 0, 0, 1);
        EXPECT_EQ(capture.Count(), 1u);
        EXPECT_EQ(Text(nan), "#000000FF");
    }
    for (CxSint32 depth : {0, 33, 64, 4096, -3})
    {
        // Depths outside 1 to 32 are reported; the arithmetic stays defined.
        CxDebugCapture capture;
        const GxColor color(depth, 1, 1, 1, 1);
        EXPECT_EQ(capture.Count(), 1u) << depth;
        EXPECT_DOUBLE_EQ(color.mRed, 1.0 / (std::ldexp(1.0, depth) - 1.0)) << depth;
    }
}

TEST(GxColorTest, Adjustments)
{
    GxColor color(0.2, 0.9, 0.4, 1);
    color.Invert();
    ExpectColor(color, 0.8, 1 - 0.9, 0.6, 1);

    EXPECT_DOUBLE_EQ(GxColor(0.2, 0.9, 0.4, 1).Brightness(), 0.9);
    EXPECT_DOUBLE_EQ(GxColor(0.2, 0.1, 0.4, 1).Brightness(), 0.4);

    color = GxColor(0.8, 0.2, 0, 0.5);
    color.Lighten(0.5);
    ExpectColor(color, 1, 0.7, 0.5, 0.5);
    color.Darken(0.6);
    ExpectColor(color, 0.4, 0.7 - 0.6, 0, 0.5);
}

TEST(GxColorTableTest, SizesOfTheBuiltInTables)
{
    const std::size_t sizes[] = {256, 256, 256, 257, 8, 16, 16, 16, 16, 16, 256, 17};
    for (CxSint32 id = 0; id < 12; ++id)
        EXPECT_EQ(GxColorTable(static_cast<GxColorTableId>(id)).size(), sizes[id]) << id;

    EXPECT_EQ(GxColorTable(), GxColorTable(kGxDefaultColors256));
    EXPECT_EQ(GxColorTable(kGxNidsReflectivityColors16ClearAir), GxColorTable(kGxNidsReflectivityColors16));
    EXPECT_NE(GxColorTable(kGxNidsReflectivityColors16Green), GxColorTable(kGxNidsReflectivityColors16));

    for (CxSint32 id : {12, -1, 1000})
    {
        CxDebugCapture capture;
        EXPECT_TRUE(GxColorTable(static_cast<GxColorTableId>(id)).empty());
        EXPECT_EQ(capture.Count(), 1u);
    }
}

TEST(GxColorTableTest, DefaultTableEntries)
{
    const GxColorTable table;
    const struct
    {
        std::size_t mIndex;
        const char* mColor;
    } cases[] = {
        {0, "#FFFFFFFF"},   {1, "#FFFFCCFF"},   {5, "#FFFF00FF"},   {6, "#FFCCFFFF"},   {36, "#CCFFFFFF"},
        {214, "#000033FF"}, {215, "#EE0000FF"}, {224, "#110000FF"}, {225, "#00EE00FF"}, {234, "#001100FF"},
        {235, "#0000EEFF"}, {244, "#000011FF"}, {245, "#EEEEEEFF"}, {254, "#111111FF"}, {255, "#000000FF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(table[c.mIndex]), c.mColor) << c.mIndex;
}

namespace
{

struct Anchor
{
    std::size_t mIndex;
    CxUint32 mPacked;
};

// Every anchor exactly, and every entry between two anchors within one unit of the straight line.
void ExpectLinear(const GxColorTable& inTable, std::initializer_list<Anchor> inAnchors)
{
    const Anchor* previous = nullptr;
    for (const Anchor& anchor : inAnchors)
    {
        EXPECT_EQ(Text(inTable[anchor.mIndex]), Hex(anchor.mPacked)) << anchor.mIndex;
        if (previous)
        {
            for (std::size_t i = previous->mIndex + 1; i < anchor.mIndex; ++i)
            {
                const CxUint32 packed = std::stoul(Text(inTable[i]).substr(1), nullptr, 16);
                const double t = double(i - previous->mIndex) / double(anchor.mIndex - previous->mIndex);
                for (int shift = 24; shift >= 0; shift -= 8)
                {
                    const double from = (previous->mPacked >> shift) & 0xFF;
                    const double to = (anchor.mPacked >> shift) & 0xFF;
                    const double entry = (packed >> shift) & 0xFF;
                    EXPECT_LE(std::fabs(entry - (from + (to - from) * t)), 1.0) << i << " shift " << shift;
                }
            }
        }
        previous = &anchor;
    }
}

} // namespace

TEST(GxColorTableTest, InterpolatedTables)
{
    const GxColorTable gradient(kGxGradientColors256);
    EXPECT_EQ(Text(gradient[0]), "#FFFFFFFF");
    EXPECT_EQ(Text(gradient[255]), "#000000FF");
    // Halfway from 0x1103FFFF at 1 to 0x00ECFFFF at 63: 8.5 and 119.5 round up.
    EXPECT_EQ(Text(gradient[32]), "#0978FFFF");
    EXPECT_EQ(Text(gradient[96]), "#00FF8CFF");
    EXPECT_EQ(Text(gradient[160]), "#B3FF00FF");

    const GxColorTable reflectivity(kGxNidsReflectivityColors256);
    EXPECT_EQ(Text(reflectivity[0]), "#00000000");
    EXPECT_EQ(Text(reflectivity[63]), "#007B00C8");
    EXPECT_EQ(Text(reflectivity[80]), "#00C000FD");
    EXPECT_EQ(Text(reflectivity[255]), "#FFFFFFFF");

    const GxColorTable velocity(kGxNidsVelocity256);
    EXPECT_EQ(Text(velocity[0]), "#00000000");
    EXPECT_EQ(Text(velocity[1]), "#FF00FFFF");
    EXPECT_EQ(Text(velocity[256]), "#FF00FFFF");
    ExpectLinear(velocity, {{2, 0xCAFF00FF}, {59, 0x67FF00FF}, {64, 0x5DED00FF}, {121, 0x012500FF}});
    ExpectLinear(velocity, {{122, 0x1F3D1FFF}, {128, 0xDFE3DFFF}});
    ExpectLinear(velocity, {{129, 0xE4DADAFF}, {134, 0x5E2424FF}});
    ExpectLinear(velocity, {{135, 0x460000FF}, {196, 0xFC0000FF}});
    ExpectLinear(velocity, {{197, 0xFF0304FF}, {255, 0xFFCDF8FF}});
}

TEST(GxColorTableTest, HueWheelAndLiteralTables)
{
    const GxColorTable wheel(kGxPrimeDifferentialColors128);
    EXPECT_EQ(Text(wheel[0]), "#FF0000FF");
    EXPECT_EQ(Text(wheel[128]), "#00FFFFFF");
    EXPECT_EQ(Text(wheel[255]), "#FF000CFF");
    // Colour 1 lies 11.953125 units along the first leg; colour 22 at 262.96875, 7.96875 into the second.
    EXPECT_EQ(Text(wheel[2]), "#FF0C00FF");
    EXPECT_EQ(Text(wheel[44]), "#F7FF00FF");
    for (std::size_t k = 0; k < 128; ++k)
        EXPECT_EQ(wheel[2 * k], wheel[2 * k + 1]) << k;

    EXPECT_EQ(Text(GxColorTable(kGxNidsReflectivityColors8)[2]), "#0000CCFF");
    const GxColorTable clearAir(kGxNidsReflectivityColors16ClearAirLikePrecip);
    EXPECT_EQ(Text(clearAir[8]), "#00000000");
    EXPECT_EQ(Text(clearAir[9]), "#00420033");
    EXPECT_EQ(Text(GxColorTable(kGxPrimeCorrelationColors)[16]), "#FFFFFFFF");
}

TEST(GxColorTableTest, LoadingCopyingAndNearest)
{
    GxColorTable table;
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.NearestIndex(GxColor()), 0u);

    const CxUint32 packed[] = {0x000000FF, 0x0000FFFF, 0x00FF00FF, 0x400000FF, 0x0000FFFF,
                               0x00FF00FF, 0x0000FFFF, 0xC00000FF, 0xFFFFFFFF};
    table.LoadColors(packed, 9);
    ASSERT_EQ(table.size(), 9u);
    EXPECT_EQ(table.NearestIndex(GxColor(0x7F0000FF)), 3u);
    EXPECT_EQ(table.NearestIndex(GxColor(0xF0F0F0FF)), 8u);
    // Equal distances: the later entry wins (three equal blues, and alpha ignored).
    EXPECT_EQ(table.NearestIndex(GxColor(0x0000F000)), 6u);

    // Entries 3 and 7 equally near in exact binary fractions.
    GxColorTable tie;
    tie.clear();
    for (int i = 0; i < 10; ++i)
        tie.push_back(GxColor(0, 0, 1, 1));
    tie[3] = GxColor(0.25, 0.5, 0, 1);
    tie[7] = GxColor(0.75, 0.5, 0, 0);
    EXPECT_EQ(tie.NearestIndex(GxColor(0.5, 0.5, 0, 1)), 7u);
    EXPECT_EQ(tie.NearestIndex(GxColor(0.4999, 0.5, 0, 1)), 3u);

    // Appending a table to itself doubles it.
    GxColorTable copy(table);
    copy.CopyColors(copy);
    ASSERT_EQ(copy.size(), 18u);
    EXPECT_EQ(copy[9], table[0]);
    EXPECT_EQ(copy[17], table[8]);
}
