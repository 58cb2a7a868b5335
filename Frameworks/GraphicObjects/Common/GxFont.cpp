#include "GxFont.h"

#include "CxDebug.h"
#include "GxTextEngine.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

GxFont::GxFont(const CxString& inName, CxSint16 inSize) : mSize(inSize)
{
    CxUint32 id = 0;
    if (GxFontRegistry::FindFullName(inName, id))
        mId = id;
}

GxFont::GxFont(CxUint32 inId, CxSint16 inSize) : mId(inId), mSize(inSize) {}

GxFont::GxFont(const GxFont& inFont) : mId(inFont.mId), mSize(inFont.mSize) {}

GxFont& GxFont::operator=(const GxFont& inFont)
{
    if (this != &inFont)
    {
        mStyle.reset();
        mStyleTried = false;
        mId = inFont.mId;
        mSize = inFont.mSize;
    }
    return *this;
}

const GxTextStyleRef& GxFont::GetAtsuStyle() const
{
    // A failure is remembered too, so an unknown font is not searched for on every layout.
    if (!mStyle && !mStyleTried)
    {
        mStyleTried = true;
        MakeAtsuStyle(mId, mSize, mStyle);
    }
    return mStyle;
}

bool GxFont::MakeAtsuStyle(CxUint32 inId, CxSint16 inSize, GxTextStyleRef& outStyle)
{
    if (inSize <= 0)
        return false;
    GxTextStyleRef style = GxTextStyle::Make(inId, static_cast<CxSint32>(inSize) + 2);
    if (!style)
        return false;
    outStyle = std::move(style);
    return true;
}

void GxFont::Externalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin("font");
    ioBuilder.Attribute("name", GxFontRegistry::FullName(mId));
    ioBuilder.Attribute("size", CxString(static_cast<CxSint32>(mSize)));
    ioBuilder.End("font");
}

void GxFont::Internalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    mSize = inXml->GetAttribute("size").AsSint16();
    CxUint32 id = 0;
    if (GxFontRegistry::FindFullName(inXml->GetAttribute("name"), id))
        mId = id;
    mStyle.reset();
    mStyleTried = true;
    MakeAtsuStyle(mId, mSize, mStyle);
}

bool MakeATSUIStyle(CxSint16 inFamily, CxUint8 inStyle, CxSint16 inSize, GxTextStyleRef& outStyle)
{
    if (inSize <= 0)
        return false;
    CxUint32 id = GxFontRegistry::kDefaultFontId;
    GxFontFace face;
    if (inFamily > 0 && GxFontRegistry::Describe(static_cast<CxUint32>(inFamily), face))
        id = static_cast<CxUint32>(inFamily);
    id = GxFontRegistry::FindStyled(id, (inStyle & kGxFontBold) != 0, (inStyle & kGxFontItalic) != 0);
    GxTextStyleRef style = GxTextStyle::Make(id, inSize);
    if (!style)
        return false;
    outStyle = std::move(style);
    return true;
}
