// Colours as four doubles in [0, 1], their "#RRGGBBAA" text form, and indexed colour tables with the twelve
// built-in palettes. Pure values, safe on any thread.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <cstddef>
#include <vector>

class XmlBuilder;
class XmlElement;

class GxColor
{
public:
    GxColor() = default;
    GxColor(double inRed, double inGreen, double inBlue, double inAlpha);
    // Integer channels of the given depth, each divided by 2^depth - 1.
    GxColor(CxSint32 inBitsPerChannel, CxUint32 inRed, CxUint32 inGreen, CxUint32 inBlue, CxUint32 inAlpha);
    // Packed 0xRRGGBBAA.
    explicit GxColor(CxUint32 inPacked);
    // "#RRGGBB" or "#RRGGBBAA"; the text is not validated.
    explicit GxColor(const CxString& inText);

    CxString AsString() const;
    // Alpha in the high byte, red in the low one: bytes in memory run red, green, blue, alpha.
    CxUint32 AsUint32() const;

    bool IsEqualTo(const GxColor& inColor) const;
    bool operator==(const GxColor& inColor) const { return IsEqualTo(inColor); }
    bool operator!=(const GxColor& inColor) const { return !IsEqualTo(inColor); }

    void Invert();
    double Brightness() const;
    void Darken(double inAmount);
    void Lighten(double inAmount);

    double mRed = 0.0;
    double mGreen = 0.0;
    double mBlue = 0.0;
    double mAlpha = 1.0;
};

enum GxColorTableId : CxSint32
{
    kGxDefaultColors256 = 0,
    kGxGradientColors256 = 1,
    kGxNidsReflectivityColors256 = 2,
    kGxNidsVelocity256 = 3,
    kGxNidsReflectivityColors8 = 4,
    kGxNidsReflectivityColors16 = 5,
    kGxNidsVelocityColors16 = 6,
    kGxNidsReflectivityColors16Green = 7,
    kGxNidsReflectivityColors16ClearAir = 8,
    kGxNidsReflectivityColors16ClearAirLikePrecip = 9,
    kGxPrimeDifferentialColors128 = 10,
    kGxPrimeCorrelationColors = 11
};

// An indexed palette: entry i is the colour of index i.
class GxColorTable
{
public:
    using const_iterator = std::vector<GxColor>::const_iterator;

    // The built-in table of id 0; call clear() for an empty one.
    GxColorTable();
    explicit GxColorTable(GxColorTableId inId);
    // A "colorTable" element (its name is not checked); tokens that are not colours are skipped.
    explicit GxColorTable(const XmlElement* inXml);
    // A plain 0 would silently pick the element form: name a GxColorTableId.
    GxColorTable(int) = delete;

    void LoadColors(const CxUint32* inPacked, CxUint32 inCount);
    void CopyColors(const GxColorTable& inOther);
    // The entry nearest in red, green and blue; the later entry on a tie; 0 for an empty table.
    CxUint32 NearestIndex(const GxColor& inColor) const;
    // A "colorTable" element whose text is every entry's AsString() followed by one blank.
    void Externalize(XmlBuilder& ioBuilder) const;

    bool operator==(const GxColorTable& inOther) const { return mColors == inOther.mColors; }
    bool operator!=(const GxColorTable& inOther) const { return !(*this == inOther); }

    std::size_t size() const { return mColors.size(); }
    bool empty() const { return mColors.empty(); }
    const GxColor& operator[](std::size_t inIndex) const { return mColors[inIndex]; }
    GxColor& operator[](std::size_t inIndex) { return mColors[inIndex]; }
    void push_back(const GxColor& inColor) { mColors.push_back(inColor); }
    void clear() { mColors.clear(); }
    const_iterator begin() const { return mColors.begin(); }
    const_iterator end() const { return mColors.end(); }

private:
    std::vector<GxColor> mColors;
};
