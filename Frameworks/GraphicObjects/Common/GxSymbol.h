// Map symbols (cells of the context's symbol strip) and turbulence glyphs, drawn with immediate-mode OpenGL in the
// current colour. Drawing needs the context current on the calling thread; the values themselves are plain.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

class GxContext;
class GxPoint;

// Cells of the symbol strip, in strip order.
enum GxSymbolCell : CxSint32
{
    kGxSymbolNone = -1,
    kGxSymbolSolidCircle = 0,
    kGxSymbolCircle = 1,
    kGxSymbolSolidSquare = 2,
    kGxSymbolSquare = 3,
    kGxSymbolSolidTriangleUp = 4,
    kGxSymbolTriangleUp = 5,
    kGxSymbolSolidTriangleDown = 6,
    kGxSymbolTriangleDown = 7,
    kGxSymbolSolidDiamond = 8,
    kGxSymbolDiamond = 9,
    kGxSymbolCross = 10,
    kGxSymbolX = 11,
    kGxSymbolStar = 12,
    kGxSymbolKorvel = 13,
    kGxSymbolBolt1 = 14,
    kGxSymbolBolt2 = 15
};

inline constexpr CxSint32 kGxSymbolCellCount = 16;

class GxSymbol
{
public:
    // "square".
    GxSymbol() = default;
    // The cell of that name (letter case counts); an unknown name gives the first name in order, "bolt1".
    explicit GxSymbol(const CxString& inName);
    explicit GxSymbol(const char* inName) : GxSymbol(CxString(inName)) {}
    constexpr explicit GxSymbol(GxSymbolCell inCell) : mOffset(inCell) {}

    bool IsEqualTo(const GxSymbol& inSymbol) const { return mOffset == inSymbol.mOffset; }
    bool operator==(const GxSymbol& inSymbol) const { return IsEqualTo(inSymbol); }
    bool operator!=(const GxSymbol& inSymbol) const { return !IsEqualTo(inSymbol); }

    CxSint32 Offset() const { return mOffset; }

    // A square of half-side inSize around the point, textured with the cell when the context has a symbol strip.
    // The caller enables texturing.
    void Draw(GxContext& ioContext, const GxPoint& inPoint, double inSize) const;

private:
    CxSint32 mOffset = kGxSymbolSquare;
};

// Turbulence by intensity 0 to 10; above 10 draws nothing.
class GxTurbulence
{
public:
    GxTurbulence() = default;
    explicit GxTurbulence(CxUint32 inIntensity) : mIntensity(inIntensity) {}

    CxUint32 Intensity() const { return mIntensity; }

    // Line width 1, current colour; colour and line attributes and the matrix are restored.
    void Draw(const GxPoint& inPoint, double inScale) const;

private:
    CxUint32 mIntensity = 0;
};
