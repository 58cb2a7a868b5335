// The toolkit's names for the platform's text engine (PfText.h): font ids are the platform's, so GL text, the
// canvas and the font panel agree on them. Names cross as CxString here; everything else is the platform's.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "PfText.h"

#include <memory>
#include <string>

struct GxFontFace
{
    std::string mFile;
    CxSint32 mIndex = 0;
    CxString mFullName;
    CxString mFamily;
};

class GxFontRegistry
{
public:
    static constexpr CxUint32 kDefaultFontId = pf::FontRegistry::kDefaultFontId;

    static bool FindFullName(const CxString& inName, CxUint32& outId)
    {
        return pf::FontRegistry::FindFullName(inName.AsUtf8(), outId);
    }
    static bool Describe(CxUint32 inId, GxFontFace& outFace);
    static CxString FullName(CxUint32 inId) { return CxString::FromUtf8(pf::FontRegistry::FullName(inId).c_str()); }
    static CxUint32 FindStyled(CxUint32 inId, bool inBold, bool inItalic)
    {
        return pf::FontRegistry::FindStyled(inId, inBold, inItalic);
    }
    static bool FindFallback(CxUint32 inId, CxUint32 inCodePoint, CxUint32& outId)
    {
        return pf::FontRegistry::FindFallback(inId, inCodePoint, outId);
    }
    static FT_FaceRec_* OpenFace(CxUint32 inId, CxSint32 inPixelSize)
    {
        return pf::FontRegistry::OpenFace(inId, inPixelSize);
    }
    static void CloseFace(FT_FaceRec_* inFace) { pf::FontRegistry::CloseFace(inFace); }
};

class GxTextStyle : public pf::TextStyle
{
public:
    static std::shared_ptr<GxTextStyle> Make(CxUint32 inFontId, CxSint32 inPixelSize);

private:
    using pf::TextStyle::TextStyle;
};

using GxTextStyleRef = std::shared_ptr<GxTextStyle>;

class GxTextLayout : public pf::TextLayout
{
public:
    void Build(const CxUint16* inUnits, CxUint32 inCount, const GxTextStyleRef& inStyle, CxSint32 inMaxWidth)
    {
        mGxStyle = inStyle;
        pf::TextLayout::Build(inUnits, inCount, inStyle, inMaxWidth);
    }
    void Clear()
    {
        mGxStyle.reset();
        pf::TextLayout::Clear();
    }
    const GxTextStyleRef& Style() const { return mGxStyle; }

private:
    GxTextStyleRef mGxStyle;
};
