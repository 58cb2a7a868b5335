#include "GxColor.h"

#include "CxDebug.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>

// ---------------------------------------------------------------------------------------------------------------
// GxColor

namespace
{

void CheckChannel(double inValue, const char* inCondition)
{
    CxAssertText(inValue >= 0.0 && inValue <= 1.0, inCondition);
}

// The integer part of channel x 255, low 8 bits. NaN and infinities give 0; so do values past 2^63, which are
// all multiples of 256 anyway.
CxUint32 ChannelByte(double inChannel)
{
    const double scaled = std::trunc(inChannel * 255.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9223372036854775808.0)
        return 0;
    return static_cast<CxUint32>(static_cast<CxUint64>(static_cast<CxSint64>(scaled)) & 0xFF);
}

CxUint32 HexValue(CxUint16 inUnit)
{
    if (inUnit >= '0' && inUnit <= '9')
        return inUnit - '0';
    if (inUnit >= 'A' && inUnit <= 'F')
        return inUnit - 'A' + 10;
    if (inUnit >= 'a' && inUnit <= 'f')
        return inUnit - 'a' + 10;
    return 0;
}

double Clamp01(double inValue)
{
    return std::clamp(inValue, 0.0, 1.0);
}

} // namespace

GxColor::GxColor(double inRed, double inGreen, double inBlue, double inAlpha)
    : mRed(inRed), mGreen(inGreen), mBlue(inBlue), mAlpha(inAlpha)
{
    CheckChannel(mRed, "(mRed >= 0.0) && (mRed <= 1.0)");
    CheckChannel(mGreen, "(mGreen >= 0.0) && (mGreen <= 1.0)");
    CheckChannel(mBlue, "(mBlue >= 0.0) && (mBlue <= 1.0)");
    CheckChannel(mAlpha, "(mAlpha >= 0.0) && (mAlpha <= 1.0)");
}

GxColor::GxColor(CxSint32 inBitsPerChannel, CxUint32 inRed, CxUint32 inGreen, CxUint32 inBlue, CxUint32 inAlpha)
{
    CxAssertText(inBitsPerChannel >= 1 && inBitsPerChannel <= 32,
                 "(inBitsPerChannel >= 1) && (inBitsPerChannel <= 32)");
    // In floating point: an integer shift would overflow at 32 bits and beyond.
    const double maximum = std::ldexp(1.0, inBitsPerChannel) - 1.0;
    mRed = inRed / maximum;
    mGreen = inGreen / maximum;
    mBlue = inBlue / maximum;
    mAlpha = inAlpha / maximum;
}

GxColor::GxColor(CxUint32 inPacked)
    : mRed(((inPacked >> 24) & 0xFF) / 255.0), mGreen(((inPacked >> 16) & 0xFF) / 255.0),
      mBlue(((inPacked >> 8) & 0xFF) / 255.0), mAlpha((inPacked & 0xFF) / 255.0)
{
}

GxColor::GxColor(const CxString& inText)
{
    // Position 0 (the hash sign) is not looked at; a missing position reads as 0 like any non-digit.
    const CxUint32 length = inText.Length();
    auto byteAt = [&](CxUint32 inIndex) -> double
    {
        const CxUint32 high = inIndex < length ? HexValue(inText[inIndex]) : 0;
        const CxUint32 low = inIndex + 1 < length ? HexValue(inText[inIndex + 1]) : 0;
        return (high * 16 + low) / 255.0;
    };
    mRed = byteAt(1);
    mGreen = byteAt(3);
    mBlue = byteAt(5);
    mAlpha = length == 9 ? byteAt(7) : 1.0;
}

CxString GxColor::AsString() const
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02" PRIX32 "%02" PRIX32 "%02" PRIX32 "%02" PRIX32, ChannelByte(mRed),
                  ChannelByte(mGreen), ChannelByte(mBlue), ChannelByte(mAlpha));
    return CxString(text);
}

CxUint32 GxColor::AsUint32() const
{
    return (ChannelByte(mAlpha) << 24) | (ChannelByte(mBlue) << 16) | (ChannelByte(mGreen) << 8) | ChannelByte(mRed);
}

bool GxColor::IsEqualTo(const GxColor& inColor) const
{
    return mRed == inColor.mRed && mGreen == inColor.mGreen && mBlue == inColor.mBlue && mAlpha == inColor.mAlpha;
}

void GxColor::Invert()
{
    mRed = 1.0 - mRed;
    mGreen = 1.0 - mGreen;
    mBlue = 1.0 - mBlue;
}

double GxColor::Brightness() const
{
    return std::max(mRed, std::max(mGreen, mBlue));
}

void GxColor::Darken(double inAmount)
{
    mRed = Clamp01(mRed - inAmount);
    mGreen = Clamp01(mGreen - inAmount);
    mBlue = Clamp01(mBlue - inAmount);
}

void GxColor::Lighten(double inAmount)
{
    mRed = Clamp01(mRed + inAmount);
    mGreen = Clamp01(mGreen + inAmount);
    mBlue = Clamp01(mBlue + inAmount);
}

// ---------------------------------------------------------------------------------------------------------------
// Built-in tables (packed 0xRRGGBBAA)

namespace
{

const CxUint32 gNidsReflectivityColors8[] = {
    0x00000000, 0x33FFFFFF, 0x0000CCFF, 0x00CC00FF, 0xFFFF33FF, 0xFF0000FF, 0xFF00CCFF, 0xFFFFFFFF,
};

const CxUint32 gNidsReflectivityColors16[] = {
    0x00000000, 0x33FFFFFF, 0x0066FFFF, 0x0000CCFF, 0x33FF66FF, 0x00CC00FF, 0x009900FF, 0xFFFF33FF,
    0xFFCC33FF, 0xFF9900FF, 0xFF6666FF, 0xFF0000FF, 0xCC0000FF, 0xFF00CCFF, 0x9933CCFF, 0xFFFFFFFF,
};

const CxUint32 gNidsVelocityColors16[] = {
    0x00000000, 0x33FFFFFF, 0x0066FFFF, 0x0000CCFF, 0x33FF66FF, 0x00CC00FF, 0x009900FF, 0xCCCCCCFF,
    0x666666FF, 0xFFFF33FF, 0xFFCC33FF, 0xFF9900FF, 0xFF6666FF, 0xFF0000FF, 0xCC0000FF, 0x9933CCFF,
};

const CxUint32 gNidsReflectivityColors16Green[] = {
    0x00000000, 0x00420033, 0x005A0066, 0x007B00AA, 0x00BD00FF, 0x00EF00FF, 0xFFFF00FF, 0xF7CE00FF,
    0xFFAD00FF, 0xFF8400FF, 0xDE0000FF, 0xFF0000FF, 0xFF6363FF, 0xFF94CEFF, 0xFF00FFFF, 0xFFFFFFFF,
};

const CxUint32* const gNidsReflectivityColors16ClearAir = gNidsReflectivityColors16;

const CxUint32 gNidsReflectivityColors16ClearAirLikePrecip[] = {
    0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000,
    0x00000000, 0x00420033, 0x00420033, 0x005A0066, 0x007B00AA, 0x00BD00FF, 0x00BD00FF, 0x00EF00FF,
};

const CxUint32 gPrimeCorrelationColors[] = {
    0x000000FF, 0x333333FF, 0x666666FF, 0x1AFFFFFF, 0x0D80DFFF, 0x0000BFFF, 0x00FF00FF, 0x00BF00FF, 0x008000FF,
    0xFFFF00FF, 0xFFBF00FF, 0xFF8000FF, 0xFF0000FF, 0xBF0000FF, 0x800000FF, 0xFF00FFFF, 0xFFFFFFFF,
};

struct Anchor
{
    CxUint32 mIndex;
    CxUint32 mPacked;
};

// Entries from each anchor to the next follow the straight line in every channel, rounded to the nearest
// integer with halves up (exact integer arithmetic).
template <std::size_t N, std::size_t M> void FillLinear(std::array<CxUint32, N>& ioTable, const Anchor (&inAnchors)[M])
{
    for (std::size_t k = 0; k + 1 < M; ++k)
    {
        const Anchor& a = inAnchors[k];
        const Anchor& b = inAnchors[k + 1];
        const CxUint32 span = b.mIndex - a.mIndex;
        for (CxUint32 i = a.mIndex; i <= b.mIndex; ++i)
        {
            CxUint32 packed = 0;
            for (int shift = 24; shift >= 0; shift -= 8)
            {
                const CxUint32 from = (a.mPacked >> shift) & 0xFF;
                const CxUint32 to = (b.mPacked >> shift) & 0xFF;
                const CxUint32 sum = from * (b.mIndex - i) + to * (i - a.mIndex);
                packed |= ((2 * sum + span) / (2 * span)) << shift;
            }
            ioTable[i] = packed;
        }
    }
}

const std::array<CxUint32, 256>& DefaultColors256()
{
    static const std::array<CxUint32, 256> sTable = []
    {
        std::array<CxUint32, 256> table{};
        const CxUint32 cube[] = {0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00};
        const CxUint32 ramp[] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
        std::size_t i = 0;
        for (CxUint32 red : cube)
            for (CxUint32 green : cube)
                for (CxUint32 blue : cube)
                    if (i < 215) // the cube without its last colour, black
                        table[i++] = (red << 24) | (green << 16) | (blue << 8) | 0xFF;
        for (std::size_t k = 0; k < 10; ++k)
        {
            table[215 + k] = (ramp[k] << 24) | 0xFF;
            table[225 + k] = (ramp[k] << 16) | 0xFF;
            table[235 + k] = (ramp[k] << 8) | 0xFF;
            table[245 + k] = (ramp[k] << 24) | (ramp[k] << 16) | (ramp[k] << 8) | 0xFF;
        }
        table[255] = 0x000000FF;
        return table;
    }();
    return sTable;
}

const std::array<CxUint32, 256>& GradientColors256()
{
    static const std::array<CxUint32, 256> sTable = []
    {
        std::array<CxUint32, 256> table{};
        const Anchor anchors[] = {{1, 0x1103FFFF},   {63, 0x00ECFFFF},  {64, 0x00F0FFFF},
                                  {96, 0x00FF8CFF},  {128, 0x00FF08FF}, {160, 0xB3FF00FF},
                                  {191, 0xFCC500FF}, {227, 0xFE5700FF}, {254, 0xFF0C00FF}};
        FillLinear(table, anchors);
        table[0] = 0xFFFFFFFF;
        table[255] = 0x000000FF;
        return table;
    }();
    return sTable;
}

const std::array<CxUint32, 256>& NidsReflectivityColors256()
{
    static const std::array<CxUint32, 256> sTable = []
    {
        std::array<CxUint32, 256> table{};
        const Anchor anchors[] = {{0, 0x00000000},   {31, 0x00420062},  {48, 0x005C0098},  {63, 0x007B00C8},
                                  {79, 0x00BD00FB},  {81, 0x00C300FF},  {95, 0x00EF00FF},  {111, 0xFFFF00FF},
                                  {128, 0xF7CB00FF}, {144, 0xFFAA00FF}, {159, 0xFF8400FF}, {175, 0xDE0000FF},
                                  {191, 0xFF0000FF}, {207, 0xFF6363FF}, {223, 0xFF94CEFF}, {239, 0xFF00FFFF},
                                  {255, 0xFFFFFFFF}};
        FillLinear(table, anchors);
        return table;
    }();
    return sTable;
}

const std::array<CxUint32, 257>& NidsVelocity256()
{
    static const std::array<CxUint32, 257> sTable = []
    {
        std::array<CxUint32, 257> table{};
        const Anchor first[] = {{2, 0xCAFF00FF}, {59, 0x67FF00FF}, {64, 0x5DED00FF}, {121, 0x012500FF}};
        const Anchor second[] = {{122, 0x1F3D1FFF}, {128, 0xDFE3DFFF}};
        const Anchor third[] = {{129, 0xE4DADAFF}, {134, 0x5E2424FF}};
        const Anchor fourth[] = {{135, 0x460000FF}, {196, 0xFC0000FF}};
        const Anchor fifth[] = {{197, 0xFF0304FF}, {255, 0xFFCDF8FF}};
        FillLinear(table, first);
        FillLinear(table, second);
        FillLinear(table, third);
        FillLinear(table, fourth);
        FillLinear(table, fifth);
        table[0] = 0x00000000;
        table[1] = 0xFF00FFFF;
        table[256] = 0xFF00FFFF;
        return table;
    }();
    return sTable;
}

// 128 hues around the colour wheel, each written twice. Positions are kept in 1/64 units, where they are exact.
const std::array<CxUint32, 256>& PrimeDifferentialColors128()
{
    static const std::array<CxUint32, 256> sTable = []
    {
        std::array<CxUint32, 256> table{};
        const CxUint32 kLeg = 255 * 64;
        auto round64 = [](CxUint32 inValue64) { return (inValue64 + 32) / 64; };
        for (CxUint32 k = 0; k < 128; ++k)
        {
            const CxUint32 position = k * 1530 * 64 / 128;
            const CxUint32 leg = position / kLeg;
            const CxUint32 rising = round64(position - leg * kLeg);
            const CxUint32 falling = round64(kLeg - (position - leg * kLeg));
            CxUint32 red = 0, green = 0, blue = 0;
            switch (leg)
            {
            case 0: // red to yellow
                red = 255, green = rising;
                break;
            case 1: // yellow to green
                red = falling, green = 255;
                break;
            case 2: // green to cyan
                green = 255, blue = rising;
                break;
            case 3: // cyan to blue
                green = falling, blue = 255;
                break;
            case 4: // blue to magenta
                red = rising, blue = 255;
                break;
            default: // magenta to red
                red = 255, blue = falling;
                break;
            }
            const CxUint32 packed = (red << 24) | (green << 16) | (blue << 8) | 0xFF;
            table[2 * k] = packed;
            table[2 * k + 1] = packed;
        }
        return table;
    }();
    return sTable;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxColorTable

GxColorTable::GxColorTable() : GxColorTable(kGxDefaultColors256) {}

GxColorTable::GxColorTable(GxColorTableId inId)
{
    switch (inId)
    {
    case kGxDefaultColors256:
        LoadColors(DefaultColors256().data(), 256);
        break;
    case kGxGradientColors256:
        LoadColors(GradientColors256().data(), 256);
        break;
    case kGxNidsReflectivityColors256:
        LoadColors(NidsReflectivityColors256().data(), 256);
        break;
    case kGxNidsVelocity256:
        LoadColors(NidsVelocity256().data(), 257);
        break;
    case kGxNidsReflectivityColors8:
        LoadColors(gNidsReflectivityColors8, 8);
        break;
    case kGxNidsReflectivityColors16:
        LoadColors(gNidsReflectivityColors16, 16);
        break;
    case kGxNidsVelocityColors16:
        LoadColors(gNidsVelocityColors16, 16);
        break;
    case kGxNidsReflectivityColors16Green:
        LoadColors(gNidsReflectivityColors16Green, 16);
        break;
    case kGxNidsReflectivityColors16ClearAir:
        LoadColors(gNidsReflectivityColors16ClearAir, 16);
        break;
    case kGxNidsReflectivityColors16ClearAirLikePrecip:
        LoadColors(gNidsReflectivityColors16ClearAirLikePrecip, 16);
        break;
    case kGxPrimeDifferentialColors128:
        LoadColors(PrimeDifferentialColors128().data(), 256);
        break;
    case kGxPrimeCorrelationColors:
        LoadColors(gPrimeCorrelationColors, 17);
        break;
    default:
        CxAssertText(false, "false");
        break;
    }
}

GxColorTable::GxColorTable(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;

    const CxString text = inXml->GetContent();
    const CxUint16* units = text.GetChars();
    const CxUint32 length = text.Length();
    auto isSeparator = [](CxUint16 inUnit)
    { return inUnit == ' ' || inUnit == '\t' || inUnit == '\n' || inUnit == '\r'; };
    auto isHex = [](CxUint16 inUnit) { return HexValue(inUnit) != 0 || inUnit == '0'; };
    CxUint32 start = 0;
    while (start < length)
    {
        if (isSeparator(units[start]))
        {
            ++start;
            continue;
        }
        CxUint32 end = start;
        while (end < length && !isSeparator(units[end]))
            ++end;
        const CxUint32 tokenLength = end - start;
        bool isColor = units[start] == '#' && (tokenLength == 7 || tokenLength == 9);
        for (CxUint32 i = start + 1; isColor && i < end; ++i)
            isColor = isHex(units[i]);
        if (isColor)
            mColors.push_back(GxColor(CxString(units + start, tokenLength)));
        start = end;
    }
}

void GxColorTable::Externalize(XmlBuilder& ioBuilder) const
{
    CxString text;
    for (const GxColor& color : mColors)
    {
        text += color.AsString();
        text += " ";
    }
    ioBuilder.Begin("colorTable");
    ioBuilder.Content(text);
    ioBuilder.End("colorTable");
}

void GxColorTable::LoadColors(const CxUint32* inPacked, CxUint32 inCount)
{
    mColors.reserve(mColors.size() + inCount);
    for (CxUint32 i = 0; i < inCount; ++i)
        mColors.push_back(GxColor(inPacked[i]));
}

void GxColorTable::CopyColors(const GxColorTable& inOther)
{
    // A copy first, so that a table may append itself.
    const std::vector<GxColor> colors = inOther.mColors;
    mColors.insert(mColors.end(), colors.begin(), colors.end());
}

CxUint32 GxColorTable::NearestIndex(const GxColor& inColor) const
{
    CxUint32 nearest = 0;
    double best = 0.0;
    for (std::size_t i = 0; i < mColors.size(); ++i)
    {
        const double dr = mColors[i].mRed - inColor.mRed;
        const double dg = mColors[i].mGreen - inColor.mGreen;
        const double db = mColors[i].mBlue - inColor.mBlue;
        const double distance = dr * dr + dg * dg + db * db;
        if (i == 0 || distance <= best)
        {
            nearest = static_cast<CxUint32>(i);
            best = distance;
        }
    }
    return nearest;
}
